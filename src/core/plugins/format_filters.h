#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "plugins/plug_in_list.h"

namespace tessary {

// Maximum length the Open dialog gives its filter text.
inline constexpr std::size_t kOpenDialogFilterLength = 400;

// Appends one file-dialog filter per format module, in list order:
// "<name> (*.<ext>)|*.<ext>", joined to what `filters` already holds by "|";
// and, when `extensions` is given, "*.<ext>" joined by ";" (for an "all
// formats" entry). An entry is taken only when the length of `filters` plus
// the entry's own length is below `maximumLength`, so with its separator the
// text never grows past `maximumLength` characters; entries that do not fit
// are skipped and the walk goes on. Returns the number of entries appended.
std::int16_t AppendFormatFilters(const PlugInList& list, std::string& filters,
                                 std::string* extensions, std::size_t maximumLength);

}  // namespace tessary
