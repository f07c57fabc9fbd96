#include "app/string_table.h"

#include <algorithm>

#include "app/string_table_rows.h"

namespace tessary {

namespace {

using detail::kStringTableRowCount;
using detail::kStringTableRows;
using detail::StringTableRow;

// Index of `id` in the sorted rows, or kStringTableRowCount when absent.
std::size_t findRow(int id) {
    const StringTableRow* begin = kStringTableRows;
    const StringTableRow* end = kStringTableRows + kStringTableRowCount;
    const StringTableRow* found = std::lower_bound(
        begin, end, id, [](const StringTableRow& row, int wanted) { return row.id < wanted; });
    if (found == end || found->id != id) return kStringTableRowCount;
    return static_cast<std::size_t>(found - begin);
}

const std::vector<std::string>& strings() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> built;
        built.reserve(kStringTableRowCount);
        for (std::size_t i = 0; i < kStringTableRowCount; ++i) {
            built.emplace_back(kStringTableRows[i].text);
        }
        return built;
    }();
    return table;
}

}  // namespace

const std::string& loadString(int id) {
    static const std::string empty;
    const std::size_t row = findRow(id);
    if (row == kStringTableRowCount) return empty;
    return strings()[row];
}

bool hasString(int id) {
    return findRow(id) != kStringTableRowCount;
}

std::vector<int> stringTableIds() {
    std::vector<int> ids;
    ids.reserve(kStringTableRowCount);
    for (std::size_t i = 0; i < kStringTableRowCount; ++i) ids.push_back(kStringTableRows[i].id);
    return ids;
}

}  // namespace tessary
