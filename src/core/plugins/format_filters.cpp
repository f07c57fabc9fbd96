#include "plugins/format_filters.h"

#include <string_view>

namespace tessary {

std::int16_t AppendFormatFilters(const PlugInList& list, std::string& filters,
                                 std::string* extensions, std::size_t maximumLength) {
    std::int16_t appended = 0;
    for (const PlugInRecord* record = list.head(); record != nullptr; record = record->next.get()) {
        if (record->kind != kPlugInKindFormat) continue;
        const std::string_view name = textOf(record->name);
        const std::string_view extension = textOf(record->readExtension);
        std::string entry;
        entry.append(name).append(" (*.").append(extension).append(")|*.").append(extension);

        if (filters.size() + entry.size() >= maximumLength) continue;
        if (!filters.empty()) filters += '|';
        filters += entry;
        if (extensions != nullptr) {
            if (!extensions->empty()) *extensions += ';';
            extensions->append("*.").append(extension);
        }
        ++appended;
    }
    return appended;
}

}  // namespace tessary
