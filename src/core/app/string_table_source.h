#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// One entry of the string table as written in resources/strings.tsv.
struct StringTableEntry {
    int id = 0;
    std::string text;  // escapes resolved: real tabs and line breaks
    friend bool operator==(const StringTableEntry&, const StringTableEntry&) = default;
};

inline constexpr int kMaxStringId = 65535;

// Parses the table source: one entry per line, "<id><TAB><text>", lines ended
// by "\n" or "\r\n". Ids are decimal, 0..65535, each at most once. In the
// text "\t", "\n" and "\\" stand for a tab, a line break and a backslash; any
// other backslash sequence, a raw tab or another control character is an
// error. Empty lines and lines starting with '#' are skipped.
//
// On success `entries` holds the entries sorted by id and the result is true.
// On failure the result is false, `error` names the line and the problem, and
// `entries` is left empty.
bool parseStringTableSource(std::string_view source, std::vector<StringTableEntry>& entries,
                            std::string& error);

// The C++ source of the compiled table for entries sorted by id: an array of
// StringTableRow (see app/string_table_rows.h) in ascending id order. Every
// byte outside printable ASCII is written as an octal escape, so the text
// reaches the program unchanged whatever the compiler's source character set.
std::string emitStringTableCpp(const std::vector<StringTableEntry>& entries);

}  // namespace tessary
