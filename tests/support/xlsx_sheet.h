// Reads back an .xlsx workbook as the zip archive it is (minizip's reader): its first sheet's column
// widths and cells, each cell a shared string or a number, so a test checks what a spreadsheet
// program would show. Tests that include it link minizip (pkg-config "minizip").
#pragma once

#include <unzip.h>

#include <map>
#include <optional>
#include <regex>
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

// The workbook's first sheet; nothing when the archive or the sheet is missing.
inline std::optional<Sheet> ReadSheet(const std::string& path) {
    const std::optional<std::string> xml = ZipEntry(path, "xl/worksheets/sheet1.xml");
    const std::optional<std::string> book = ZipEntry(path, "xl/workbook.xml");
    if (!xml || !book) return std::nullopt;
    Sheet sheet;
    sheet.xml = *xml;
    const std::regex sheetTag("<sheet ");
    sheet.sheets = static_cast<int>(std::distance(std::sregex_iterator(book->begin(), book->end(), sheetTag), {}));

    std::vector<std::string> strings;
    if (const std::optional<std::string> shared = ZipEntry(path, "xl/sharedStrings.xml")) {
        const std::regex si("<si><t(?: [^>]*)?>([^<]*)</t></si>");
        for (auto it = std::sregex_iterator(shared->begin(), shared->end(), si); it != std::sregex_iterator(); ++it) {
            strings.push_back(Unescape((*it)[1]));
        }
    }
    const std::regex col("<col min=\"(\\d+)\" max=\"(\\d+)\" width=\"([0-9.]+)\"");
    for (auto it = std::sregex_iterator(xml->begin(), xml->end(), col); it != std::sregex_iterator(); ++it) {
        for (int c = std::stoi((*it)[1]); c <= std::stoi((*it)[2]); ++c) sheet.widths[c] = (*it)[3];
    }
    const std::regex row("<row r=\"(\\d+)\"[^>]*?(/>|>(.*?)</row>)");
    const std::regex cell("<c r=\"([A-Z]+)\\d+\"( [^>]*?)?(/>|><v>([^<]*)</v></c>)");
    for (auto r = std::sregex_iterator(xml->begin(), xml->end(), row); r != std::sregex_iterator(); ++r) {
        std::map<int, Cell>& cells = sheet.rows[std::stoi((*r)[1])];
        const std::string body = (*r)[3];
        for (auto c = std::sregex_iterator(body.begin(), body.end(), cell); c != std::sregex_iterator(); ++c) {
            Cell value;
            value.text = std::string((*c)[2]).find("t=\"s\"") != std::string::npos;
            value.value = (*c)[4];
            if (value.text) {
                const std::size_t index = std::stoul(value.value);
                value.value = index < strings.size() ? strings[index] : "<missing string>";
            }
            cells[ColumnOf((*c)[1])] = value;
        }
    }
    return sheet;
}

}  // namespace xlsx_test
