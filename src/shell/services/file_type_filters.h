#pragma once

#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

namespace tessary {

class PlugInList;

// One entry of a file dialog's type list: the text shown ("BMP (*.BMP)") and
// the pattern it stands for ("*.BMP", or "*.BMP;*.PNG" for several).
struct FileTypeFilter {
    QString description;
    QString pattern;
    friend bool operator==(const FileTypeFilter&, const FileTypeFilter&) = default;
};

// Splits a filter list of the form "text|pattern|text|pattern|" (a trailing
// "|" optional) into its entries; an entry without a pattern is dropped.
std::vector<FileTypeFilter> parseFilterList(std::string_view list);

// The entry as a Qt file-dialog filter: the description, with its
// parenthesised part holding the patterns separated by blanks (Qt's
// syntax), e.g. "All Formats (*.BMP *.PNG)".
QString qtFilter(const FileTypeFilter& filter);
QStringList qtFilters(const std::vector<FileTypeFilter>& filters);

// The filters of the Open dialog: one per format module (at most 400
// characters of them) and last "All Formats" (string 4231) over all their
// extensions. Returns the filters and sets `allFormatsIndex` to the last.
std::vector<FileTypeFilter> openFilters(const PlugInList& list, int* allFormatsIndex);

// The filters of the save dialog: one per format module, at most 500
// characters of them.
std::vector<FileTypeFilter> saveFilters(const PlugInList& list);

// Extension keys, compared when the save dialog matches names with types: a
// pattern with every "*" and "." removed, upper-cased, at most 4
// characters; and a file name's text after its last "." (empty without
// one), upper-cased, at most 4 characters.
QString patternKey(const QString& pattern);
QString nameExtensionKey(const QString& name);

// The first filter whose pattern key equals the name's extension key, or -1.
int filterIndexForName(const std::vector<FileTypeFilter>& filters, const QString& name);

// Why a name cannot be saved: no installed module writes files with its
// extension (or it has none), followed by the types that can be written
// (`filters`' pattern keys; "none" when there are none).
QString noWriterMessage(const QString& name, const std::vector<FileTypeFilter>& filters);

// `name` with its extension (the text from its last "." on) replaced by the
// pattern's (the pattern without "*", e.g. ".PNG") when their keys differ; a
// name without "." gets the extension appended. An empty name stays empty.
QString replaceExtension(const QString& name, const QString& pattern);

}  // namespace tessary
