#include "settings/section_table.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings/ini_engine.h"

namespace settings::sections {

std::int64_t LoadField(const FieldRef& field) {
    switch (field.width) {
        case 1:
            return field.isSigned ? std::int64_t{*static_cast<const std::int8_t*>(field.at)}
                                  : std::int64_t{*static_cast<const std::uint8_t*>(field.at)};
        case 2:
            return field.isSigned ? std::int64_t{*static_cast<const std::int16_t*>(field.at)}
                                  : std::int64_t{*static_cast<const std::uint16_t*>(field.at)};
        case 4:
            return field.isSigned ? std::int64_t{*static_cast<const std::int32_t*>(field.at)}
                                  : std::int64_t{*static_cast<const std::uint32_t*>(field.at)};
        case 8:
            return static_cast<std::int64_t>(*static_cast<const std::uint64_t*>(field.at));
        default:
            return 0;
    }
}

void StoreField(const FieldRef& field, std::uint64_t value) {
    switch (field.width) {
        case 1:
            *static_cast<std::uint8_t*>(field.at) = static_cast<std::uint8_t>(value);
            break;
        case 2:
            *static_cast<std::uint16_t*>(field.at) = static_cast<std::uint16_t>(value);
            break;
        case 4:
            *static_cast<std::uint32_t*>(field.at) = static_cast<std::uint32_t>(value);
            break;
        case 8:
            *static_cast<std::uint64_t*>(field.at) = value;
            break;
        default:
            break;
    }
}

void StoreText(const FieldRef& field, const char* text) {
    if (field.textSize == 0) return;
    char* out = static_cast<char*>(field.at);
    const std::size_t n = ::strnlen(text, field.textSize - 1u);
    std::memmove(out, text, n);
    std::memset(out + n, 0, field.textSize - n);
}

namespace {

// The field's text up to its terminator or the end of its buffer (a full buffer is never read past).
std::string FieldText(const FieldRef& field) {
    const char* text = static_cast<const char*>(field.at);
    return std::string(text, ::strnlen(text, field.textSize));
}

void ReadRule(const char* section, const KeyRule& rule, const char* path) {
    const char* sec = rule.section != nullptr ? rule.section : section;
    switch (rule.kind) {
        case Kind::Int:
            StoreField(rule.field, static_cast<std::uint64_t>(static_cast<std::int64_t>(
                                       IniGetInt(sec, rule.key, static_cast<std::int32_t>(rule.def), path))));
            break;
        case Kind::Hex:
            StoreField(rule.field, IniGetHex(sec, rule.key, static_cast<std::uint32_t>(rule.def), path));
            break;
        case Kind::Int64:
            StoreField(rule.field, IniGetInt64(sec, rule.key, static_cast<std::uint64_t>(rule.def)));
            break;
        case Kind::Text: {
            std::string buffer(rule.field.textSize, '\0');
            IniGetString(sec, rule.key, rule.textDef, buffer.data(), buffer.size(), path);
            StoreText(rule.field, buffer.c_str());
            break;
        }
        case Kind::Custom:
            if (rule.customRead != nullptr) rule.customRead(path);
            break;
        case Kind::None:
            break;
    }
}

void WriteRule(const char* section, const KeyRule& rule, const char* path) {
    if (rule.putIf != nullptr && !rule.putIf()) return;
    if (rule.kind == Kind::Custom) {
        if (rule.customWrite != nullptr) rule.customWrite(path);
        return;
    }
    const char* sec = rule.section != nullptr ? rule.section : section;
    char text[32];
    switch (rule.put) {
        case Put::No:
            break;
        case Put::Dec:
            IniSetInt(sec, rule.key, static_cast<std::int32_t>(LoadField(rule.field)), path);
            break;
        case Put::Hex02:
        case Put::Hex04:
        case Put::Hex08: {
            const char* format = rule.put == Put::Hex02 ? "0x%02X" : rule.put == Put::Hex04 ? "0x%04X" : "0x%08X";
            std::snprintf(text, sizeof text, format, static_cast<unsigned>(LoadField(rule.field) & 0xFFFFFFFF));
            IniSetString(sec, rule.key, text, path);
            break;
        }
        case Put::Dec64:
            IniSetInt64(sec, rule.key, static_cast<std::uint64_t>(LoadField(rule.field)), path);
            break;
        case Put::Text:
            IniSetString(sec, rule.key, FieldText(rule.field).c_str(), path);
            break;
        case Put::TextIfSet: {
            const std::string value = FieldText(rule.field);
            if (!value.empty()) IniSetString(sec, rule.key, value.c_str(), path);
            break;
        }
    }
}

}  // namespace

void ReadRules(const char* section, std::span<const KeyRule> rules, const char* path) {
    for (const KeyRule& rule : rules) ReadRule(section, rule, path);
}

void WriteRules(const char* section, std::span<const KeyRule> rules, const char* path) {
    for (const KeyRule& rule : rules) WriteRule(section, rule, path);
}

}  // namespace settings::sections
