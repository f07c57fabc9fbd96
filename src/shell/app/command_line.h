#pragma once

#include <QString>
#include <QStringList>

namespace tessary {

// What the command line asks for. Switches may start with "/" or "-":
//   /p <file>             print the file on the current printer, then end
//   /pt <file> <printer>  print the file on the named printer, then end
// Any other argument names a file to open. Unknown switches are collected
// (and ignored by the caller, which may mention them).
struct ParsedCommandLine {
    QStringList filesToOpen;
    bool print = false;
    QString printFile;
    QString printerName;  // empty: the current printer
    QStringList unknownSwitches;
    // A switch that needs a file (or a printer) came without one.
    bool incomplete = false;
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);

// `path` made absolute against `workingDirectory` (the process's current
// folder when empty).
QString absolutePath(const QString& path, const QString& workingDirectory);

}  // namespace tessary
