#include "shell/services/file_type_filters.h"

#include <string>

#include "app/string_table.h"
#include "plugins/format_filters.h"

namespace tessary {

namespace {

constexpr int kAllFormatsString = 4231;
// Longest filter text the save dialog builds from the format modules.
constexpr std::size_t kSaveDialogFilterLength = 500;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::vector<FileTypeFilter> parseFilterList(std::string_view list) {
    std::vector<FileTypeFilter> filters;
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t bar = list.find('|', start);
        if (bar == std::string_view::npos) {
            if (start < list.size()) fields.push_back(list.substr(start));
            break;
        }
        fields.push_back(list.substr(start, bar - start));
        start = bar + 1;
    }
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i + 1].empty()) continue;
        filters.push_back({fromUtf8(fields[i]), fromUtf8(fields[i + 1])});
    }
    return filters;
}

QString qtFilter(const FileTypeFilter& filter) {
    QString patterns = filter.pattern;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString description = filter.description;
    const qsizetype open = description.indexOf(QLatin1Char('('));
    if (open >= 0) description = description.left(open).trimmed();
    // Qt reads the patterns from the parentheses; the shown text keeps them.
    return QStringLiteral("%1 (%2)").arg(description, patterns);
}

QStringList qtFilters(const std::vector<FileTypeFilter>& filters) {
    QStringList list;
    for (const FileTypeFilter& filter : filters) list.append(qtFilter(filter));
    return list;
}

std::vector<FileTypeFilter> openFilters(const PlugInList& list, int* allFormatsIndex) {
    std::string text;
    std::string extensions;
    AppendFormatFilters(list, text, &extensions, kOpenDialogFilterLength);
    std::vector<FileTypeFilter> filters = parseFilterList(text);
    const QString allName = QString::fromStdString(loadString(kAllFormatsString));
    filters.push_back({allName, fromUtf8(extensions)});
    if (allFormatsIndex != nullptr) *allFormatsIndex = static_cast<int>(filters.size()) - 1;
    return filters;
}

std::vector<FileTypeFilter> saveFilters(const PlugInList& list) {
    std::string text;
    AppendFormatFilters(list, text, nullptr, kSaveDialogFilterLength);
    return parseFilterList(text);
}

QString patternKey(const QString& pattern) {
    QString key = pattern;
    key.remove(QLatin1Char('*'));
    key.remove(QLatin1Char('.'));
    return key.toUpper().left(4);
}

QString nameExtensionKey(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) return {};
    return name.mid(dot + 1).toUpper().left(4);
}

int filterIndexForName(const std::vector<FileTypeFilter>& filters, const QString& name) {
    const QString key = nameExtensionKey(name);
    if (key.isEmpty()) return -1;
    for (std::size_t i = 0; i < filters.size(); ++i) {
        if (patternKey(filters[i].pattern) == key) return static_cast<int>(i);
    }
    return -1;
}

QString noWriterMessage(const QString& name, const std::vector<FileTypeFilter>& filters) {
    const int dot = static_cast<int>(name.lastIndexOf(QLatin1Char('.')));
    QString text =
        dot < 0
            ? QStringLiteral(
                  "The name \"%1\" has no extension, so no installed "
                  "module can tell which type to write.")
                  .arg(name)
            : QStringLiteral("No installed module writes files of type \"%1\".").arg(name.mid(dot));
    QStringList types;
    for (const FileTypeFilter& filter : filters) types << patternKey(filter.pattern);
    types.removeDuplicates();
    text += QStringLiteral("\nTypes that can be written: %1.")
                .arg(types.isEmpty() ? QStringLiteral("none") : types.join(QStringLiteral(", ")));
    return text;
}

QString replaceExtension(const QString& name, const QString& pattern) {
    if (name.isEmpty()) return name;
    if (nameExtensionKey(name) == patternKey(pattern) && name.contains(QLatin1Char('.')))
        return name;
    QString extension = pattern;
    extension.remove(QLatin1Char('*'));
    if (!extension.startsWith(QLatin1Char('.'))) extension.prepend(QLatin1Char('.'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot < 0 ? name : name.left(dot)) + extension;
}

}  // namespace tessary
