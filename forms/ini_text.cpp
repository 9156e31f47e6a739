#include "forms/ini_text.h"

#include <algorithm>
#include <cctype>

namespace forms {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// ASCII case folding (names compare without regard to ASCII case, whatever the locale).
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// The section name of a header line, or nothing when the line is no header.
std::optional<std::string_view> HeaderName(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key, value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

bool IsStorableSectionName(std::string_view name) {
    return !Trim(name).empty() && !HasLineBreakOrNul(name) && name.find(']') == std::string_view::npos;
}

bool IsStorableKeyName(std::string_view name) {
    const std::string_view t = Trim(name);
    return !t.empty() && t.front() != '[' && t.front() != ';' && !HasLineBreakOrNul(name) &&
           name.find('=') == std::string_view::npos;
}

bool IsStorableValue(std::string_view value) {
    return !HasLineBreakOrNul(value);
}

IniText IniText::Parse(std::string_view bytes) {
    IniText text;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        text.lines_.emplace_back(line);
        if (lf == std::string_view::npos) break;
        bytes.remove_prefix(lf + 1);
    }
    return text;
}

std::string IniText::Serialize() const {
    std::string out;
    for (const std::string& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::optional<IniText::Range> IniText::FindSection(std::string_view section) const {
    const std::string_view wanted = Trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = HeaderName(lines_[i]);
        if (!name || !SameName(*name, wanted)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !HeaderName(lines_[end])) ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::string> IniText::Get(std::string_view section, std::string_view key) const {
    const auto range = FindSection(section);
    if (!range) return std::nullopt;
    const std::string_view wanted = Trim(key);
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kl = SplitKeyLine(lines_[i]);
        if (kl && SameName(kl->key, wanted)) return std::string(kl->value);
    }
    return std::nullopt;
}

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableSectionName(section) || !IsStorableKeyName(key) || !IsStorableValue(value)) return false;
    const std::string_view wantedKey = Trim(key);
    const auto range = FindSection(section);
    if (!range) {
        if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back("[" + std::string(Trim(section)) + "]");
        lines_.push_back(std::string(wantedKey) + "=" + std::string(value));
        return true;
    }
    std::size_t insertAt = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kl = SplitKeyLine(lines_[i]);
        if (kl && SameName(kl->key, wantedKey)) {
            lines_[i] = std::string(kl->key) + "=" + std::string(value);
            return true;
        }
        if (!Trim(lines_[i]).empty()) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  std::string(wantedKey) + "=" + std::string(value));
    return true;
}

bool IniText::HasSection(std::string_view section) const {
    return FindSection(section).has_value();
}

std::vector<std::string> IniText::Sections() const {
    std::vector<std::string> names;
    for (const std::string& line : lines_) {
        const auto name = HeaderName(line);
        if (!name) continue;
        const bool seen =
            std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, *name); });
        if (!seen) names.emplace_back(*name);
    }
    return names;
}

std::vector<std::string> IniText::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    const auto range = FindSection(section);
    if (!range) return keys;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const auto kl = SplitKeyLine(lines_[i]);
        if (!kl || kl->key.empty() || kl->key.front() == ';') continue;
        const bool seen =
            std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameName(k, kl->key); });
        if (!seen) keys.emplace_back(kl->key);
    }
    return keys;
}

namespace {

std::string Folded(std::string_view name) {
    std::string out(Trim(name));
    for (char& c : out) c = Lower(c);
    return out;
}

}  // namespace

IniLookup::IniLookup(const IniText& text) : text_(&text) {
    const std::vector<std::string>& lines = text.Lines();
    Section* open = nullptr;  // the section whose lines are being counted
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = HeaderName(lines[i]);
        if (!name) continue;
        if (open != nullptr) open->end = i;
        const auto [it, fresh] = sections_.try_emplace(Folded(*name), Section{i + 1, lines.size()});
        open = fresh ? &it->second : nullptr;
    }
}

std::optional<std::string_view> IniLookup::Get(std::string_view section, std::string_view key) const {
    const auto s = sections_.find(Folded(section));
    if (s == sections_.end()) return std::nullopt;
    const Section& sec = s->second;
    const std::vector<std::string>& lines = text_->Lines();
    constexpr std::size_t kScanLines = 32;  // below this a scan is cheaper than an index
    if (sec.end - sec.begin <= kScanLines) {
        const std::string_view wanted = Trim(key);
        for (std::size_t i = sec.begin; i < sec.end; ++i) {
            const auto kl = SplitKeyLine(lines[i]);
            if (kl && SameName(kl->key, wanted)) return kl->value;
        }
        return std::nullopt;
    }
    if (!sec.indexed) {
        for (std::size_t i = sec.begin; i < sec.end; ++i) {
            if (const auto kl = SplitKeyLine(lines[i])) sec.keys.try_emplace(Folded(kl->key), i);
        }
        sec.indexed = true;
    }
    const auto k = sec.keys.find(Folded(key));
    if (k == sec.keys.end()) return std::nullopt;
    return SplitKeyLine(lines[k->second])->value;
}

std::string IniLookup::Read(std::string_view section, std::string_view key, std::string_view fallback) const {
    const auto value = Get(section, key);
    return std::string(value ? *value : fallback);
}

}  // namespace forms
