// Reads back an .xlsx workbook as the zip archive it is (minizip's reader): its first sheet's column
// widths and cells, each cell a shared string or a number, so a test checks what a spreadsheet
// program would show. Tests that include it link minizip (pkg-config "minizip").
#pragma once

#include <unzip.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace xlsx_test {

// The entry `name` of the archive `path`; nothing when either cannot be read.
inline std::optional<std::string> ZipEntry(const std::string& path, const std::string& name) {
    unzFile zip = unzOpen64(path.c_str());
    if (zip == nullptr) return std::nullopt;
    std::optional<std::string> text;
    if (unzLocateFile(zip, name.c_str(), 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        std::string bytes;
        char chunk[8192];
        int got = 0;
        while ((got = unzReadCurrentFile(zip, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<size_t>(got));
        if (unzCloseCurrentFile(zip) == UNZ_OK && got == 0) text = bytes;
    }
    unzClose(zip);
    return text;
}

struct Cell {
    bool text = false;  // a shared string (t="s"); else a number
    std::string value;  // the string, or the number as written
    bool operator==(const Cell&) const = default;
};

struct Sheet {
    int sheets = 0;                           // sheets in the workbook
    std::map<int, std::string> widths;        // column (1-based) -> width attribute
    std::map<int, std::map<int, Cell>> rows;  // row (1-based) -> column (1-based) -> cell
    std::string xml;                          // the sheet's XML as written
};

// "B12" -> column 2.
inline int ColumnOf(const std::string& ref) {
    int column = 0;
    for (char c : ref) {
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + (c - 'A' + 1);
    }
    return column;
}

inline std::string Unescape(std::string s) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities) {
        for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1)) {
            s.replace(at, std::char_traits<char>::length(from), to);
        }
    }
    return s;
}

// The value of attribute `name` in the element text `tag` ("" when absent).
inline std::string Attribute(const std::string& tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string::npos) return {};
    const std::size_t from = at + key.size();
    return tag.substr(from, tag.find('"', from) - from);
}

// Each element `<name ...>` or `<name .../>` of `xml`: its start tag, and its body up to `</name>`
// (empty for an empty element).
inline std::vector<std::pair<std::string, std::string>> Elements(const std::string& xml, const std::string& name) {
    std::vector<std::pair<std::string, std::string>> found;
    const std::string open = "<" + name, close = "</" + name + ">";
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
        const char next = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
        if (next != ' ' && next != '>' && next != '/') continue;  // another element whose name starts alike
        const std::size_t tagEnd = xml.find('>', at);
        if (tagEnd == std::string::npos) break;
        const std::string tag = xml.substr(at, tagEnd + 1 - at);
        std::string body;
        if (tag[tag.size() - 2] != '/') {
            const std::size_t end = xml.find(close, tagEnd);
            if (end == std::string::npos) break;
            body = xml.substr(tagEnd + 1, end - tagEnd - 1);
        }
        found.push_back({tag, body});
    }
    return found;
}

// The workbook's first sheet; nothing when the archive or the sheet is missing.
inline std::optional<Sheet> ReadSheet(const std::string& path) {
    const std::optional<std::string> xml = ZipEntry(path, "xl/worksheets/sheet1.xml");
    const std::optional<std::string> book = ZipEntry(path, "xl/workbook.xml");
    if (!xml || !book) return std::nullopt;
    Sheet sheet;
    sheet.xml = *xml;
    sheet.sheets = static_cast<int>(Elements(*book, "sheet").size());

    std::vector<std::string> strings;
    if (const std::optional<std::string> shared = ZipEntry(path, "xl/sharedStrings.xml")) {
        for (const auto& [tag, body] : Elements(*shared, "si")) {
            const auto texts = Elements(body, "t");
            strings.push_back(texts.empty() ? std::string() : Unescape(texts.front().second));
        }
    }
    for (const auto& [tag, body] : Elements(*xml, "col")) {
        for (int c = std::stoi(Attribute(tag, "min")); c <= std::stoi(Attribute(tag, "max")); ++c) {
            sheet.widths[c] = Attribute(tag, "width");
        }
    }
    for (const auto& [rowTag, rowBody] : Elements(*xml, "row")) {
        std::map<int, Cell>& cells = sheet.rows[std::stoi(Attribute(rowTag, "r"))];
        for (const auto& [tag, body] : Elements(rowBody, "c")) {
            Cell value;
            value.text = Attribute(tag, "t") == "s";
            const auto v = Elements(body, "v");
            value.value = v.empty() ? std::string() : v.front().second;
            if (value.text) {
                const std::size_t index = std::stoul(value.value);
                value.value = index < strings.size() ? strings[index] : "<missing string>";
            }
            cells[ColumnOf(Attribute(tag, "r"))] = value;
        }
    }
    return sheet;
}

}  // namespace xlsx_test
