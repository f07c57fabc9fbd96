#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// The program's string table, compiled in from resources/strings.tsv.
//
// loadString returns the text of `id`, or an empty string when the table has
// no such id (also for negative ids and ids above 65535). The reference stays
// valid, and the text unchanged, for the rest of the program. Safe to call
// from any thread; the first call builds the table's string objects.
const std::string& loadString(int id);

// True when the table holds `id` (an entry may hold an empty text).
bool hasString(int id);

// Every id of the table in ascending order.
std::vector<int> stringTableIds();

}  // namespace tessary
