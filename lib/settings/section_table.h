// The table driver behind the settings-section readers and writers. Each section is described by
// one table of key rules (key, kind, default, record field, how it is written); the readers walk the
// table in order and fill the fields, the writers walk it in order and put back every rule that is
// written. Special conversions that a table cannot express are done by the section's own code
// around the table walk (or by a Custom rule with its own read and write functions).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace settings::sections {

// How a key is read.
enum class Kind : std::uint8_t {
    Int,     // IniGetInt, low bits kept by the field's width
    Hex,     // IniGetHex ("0x" and hex digits; anything else reads as 0)
    Int64,   // IniGetInt64 (unsigned decimal)
    Text,    // IniGetString into the field's buffer
    Custom,  // the rule's own read and write functions
    None,    // written only, never read
};

// How a key is written.
enum class Put : std::uint8_t {
    No,         // never written: the loaded file's line stays as it was
    Dec,        // "%d" of the field
    Hex02,      // "0x%02X"
    Hex04,      // "0x%04X"
    Hex08,      // "0x%08X"
    Dec64,      // unsigned decimal (IniSetInt64)
    Text,       // the field's text
    TextIfSet,  // the field's text, only when it is not empty
};

// Where a value lives: an integer field of 1, 2, 4 or 8 bytes, or a fixed text buffer.
struct FieldRef {
    void* at = nullptr;
    std::uint8_t width = 0;  // bytes of an integer field; 0 for a text buffer
    bool isSigned = false;
    std::uint16_t textSize = 0;  // bytes of a text buffer
};

template <class T>
requires std::is_integral_v<T>
constexpr FieldRef Num(T& field) {
    return FieldRef{&field, static_cast<std::uint8_t>(sizeof(T)), std::is_signed_v<T>, 0};
}

template <std::size_t N>
constexpr FieldRef Txt(char (&field)[N]) {
    static_assert(N > 1 && N < 65536);
    return FieldRef{field, 0, false, static_cast<std::uint16_t>(N)};
}

struct KeyRule {
    const char* key = nullptr;
    Kind kind = Kind::Int;
    std::int64_t def = 0;      // default of Int, Hex and Int64 keys
    const char* textDef = "";  // default of Text keys
    FieldRef field{};
    Put put = Put::No;
    const char* section = nullptr;  // the key's section when it is not the table's
    bool (*putIf)() = nullptr;      // when set, the key is written only while this answers true
    void (*customRead)(const char* path) = nullptr;
    void (*customWrite)(const char* path) = nullptr;

    // The same rule, kept in another section.
    constexpr KeyRule In(const char* otherSection) const {
        KeyRule r = *this;
        r.section = otherSection;
        return r;
    }
    // The same rule, written only while `condition` answers true.
    constexpr KeyRule When(bool (*condition)()) const {
        KeyRule r = *this;
        r.putIf = condition;
        return r;
    }
};

constexpr KeyRule Int(const char* key, std::int64_t def, FieldRef field, Put put = Put::No) {
    return KeyRule{key, Kind::Int, def, "", field, put};
}
constexpr KeyRule Hex(const char* key, std::int64_t def, FieldRef field, Put put = Put::No) {
    return KeyRule{key, Kind::Hex, def, "", field, put};
}
constexpr KeyRule Int64(const char* key, std::int64_t def, FieldRef field, Put put = Put::No) {
    return KeyRule{key, Kind::Int64, def, "", field, put};
}
constexpr KeyRule Text(const char* key, const char* def, FieldRef field, Put put = Put::No) {
    return KeyRule{key, Kind::Text, 0, def, field, put};
}
constexpr KeyRule WriteOnly(const char* key, FieldRef field, Put put) {
    return KeyRule{key, Kind::None, 0, "", field, put};
}
constexpr KeyRule Custom(const char* key, void (*read)(const char*), void (*write)(const char*)) {
    KeyRule r{key, Kind::Custom};
    r.customRead = read;
    r.customWrite = write;
    return r;
}

// Reads every rule of `rules` (in order) from the settings text chosen by `path`.
void ReadRules(const char* section, std::span<const KeyRule> rules, const char* path);
// Writes every written rule of `rules` (in order) into the engine's main text.
void WriteRules(const char* section, std::span<const KeyRule> rules, const char* path);

// The field's value, sign-extended for signed fields (integer fields only).
std::int64_t LoadField(const FieldRef& field);
// Stores the low bits of `value` that fit the field (integer fields only).
void StoreField(const FieldRef& field, std::uint64_t value);
// Copies `text` into the field's buffer, cut to size - 1 characters and terminated.
void StoreText(const FieldRef& field, const char* text);

}  // namespace settings::sections
