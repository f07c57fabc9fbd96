#include "app/string_table_source.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace tessary {

namespace {

bool fail(std::string& error, std::size_t lineNumber, const std::string& what) {
    error = "line " + std::to_string(lineNumber) + ": " + what;
    return false;
}

// Reads the decimal id at the start of `line`; false when it is missing, has
// a sign or leading zeros, or exceeds kMaxStringId.
bool parseId(std::string_view digits, int& id) {
    if (digits.empty() || digits.size() > 5) return false;
    if (digits.size() > 1 && digits[0] == '0') return false;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > kMaxStringId) return false;
    id = static_cast<int>(value);
    return true;
}

bool unescape(std::string_view raw, std::string& text, std::string& problem) {
    text.clear();
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c == '\\') {
            if (i + 1 >= raw.size()) {
                problem = "backslash at the end of the text";
                return false;
            }
            const char next = raw[++i];
            if (next == 't') {
                text.push_back('\t');
            } else if (next == 'n') {
                text.push_back('\n');
            } else if (next == '\\') {
                text.push_back('\\');
            } else {
                problem = std::string("unknown escape \\") + next;
                return false;
            }
        } else if (c < 0x20 || c == 0x7F) {
            problem =
                c == '\t' ? "raw tab in the text (write \\t)" : "control character in the text";
            return false;
        } else {
            text.push_back(static_cast<char>(c));
        }
    }
    return true;
}

}  // namespace

bool parseStringTableSource(std::string_view source, std::vector<StringTableEntry>& entries,
                            std::string& error) {
    entries.clear();
    std::map<int, std::size_t> lineOfId;
    std::vector<StringTableEntry> parsed;

    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        std::string_view line = source.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return fail(error, lineNumber, "no tab after the id");
        StringTableEntry entry;
        if (!parseId(line.substr(0, tab), entry.id)) {
            return fail(error, lineNumber, "the id must be a decimal number from 0 to 65535");
        }
        std::string problem;
        if (!unescape(line.substr(tab + 1), entry.text, problem)) {
            return fail(error, lineNumber, problem);
        }
        const auto [place, inserted] = lineOfId.emplace(entry.id, lineNumber);
        if (!inserted) {
            return fail(error, lineNumber,
                        "id " + std::to_string(entry.id) + " already given on line " +
                            std::to_string(place->second));
        }
        parsed.push_back(std::move(entry));
    }

    std::sort(parsed.begin(), parsed.end(),
              [](const StringTableEntry& a, const StringTableEntry& b) { return a.id < b.id; });
    entries = std::move(parsed);
    error.clear();
    return true;
}

std::string emitStringTableCpp(const std::vector<StringTableEntry>& entries) {
    std::string out;
    out += "// Generated at build time from resources/strings.tsv. Do not edit.\n";
    out += "#include \"app/string_table_rows.h\"\n\n";
    out += "namespace tessary::detail {\n\n";
    out += "namespace {\n";
    out += "using namespace std::string_view_literals;\n";
    out += "constexpr StringTableRow kRows[] = {\n";
    for (const StringTableEntry& entry : entries) {
        out += "    {" + std::to_string(entry.id) + ", \"";
        for (char ch : entry.text) {
            const unsigned char c = static_cast<unsigned char>(ch);
            if (c == '"' || c == '\\') {
                out += '\\';
                out += ch;
            } else if (c < 0x20 || c >= 0x7F || c == '?') {
                // Octal escapes always take three digits, so a following digit
                // can never be read as part of the escape. '?' is escaped so
                // that no sequence of the text can look like a trigraph.
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\%03o", c);
                out += escape;
            } else {
                out += ch;
            }
        }
        out += "\"sv},\n";
    }
    // An array cannot be empty: an empty table still gets one row that the
    // row count leaves out.
    if (entries.empty()) out += "    {-1, \"\"sv},\n";
    out += "};\n";
    out += "}  // namespace\n\n";
    out += "const StringTableRow* const kStringTableRows = kRows;\n";
    out += "const std::size_t kStringTableRowCount = " + std::to_string(entries.size()) + ";\n\n";
    out += "}  // namespace tessary::detail\n";
    return out;
}

}  // namespace tessary
