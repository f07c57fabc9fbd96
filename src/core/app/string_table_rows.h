#pragma once

#include <cstddef>
#include <string_view>

namespace tessary::detail {

// A row of the compiled string table. The rows are generated at build time
// from resources/strings.tsv, sorted by ascending id with no id twice.
struct StringTableRow {
    int id;
    std::string_view text;
};

extern const StringTableRow* const kStringTableRows;
extern const std::size_t kStringTableRowCount;

}  // namespace tessary::detail
