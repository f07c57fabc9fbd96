#include "shell/app/command_line.h"

#include <QDir>

namespace tessary {

namespace {

// "-name", or "/name" with letters only (so that an absolute path such as
// "/home/a.bmp" stays a file name).
bool isSwitch(const QString& argument) {
    if (argument.size() < 2) return false;
    if (argument.startsWith(QLatin1Char('-'))) return true;
    if (!argument.startsWith(QLatin1Char('/'))) return false;
    for (qsizetype i = 1; i < argument.size(); ++i) {
        if (!argument.at(i).isLetter()) return false;
    }
    return true;
}

}  // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    ParsedCommandLine parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!isSwitch(argument)) {
            parsed.filesToOpen.append(argument);
            continue;
        }
        const QString name = argument.mid(1).toLower();
        if (name == QLatin1String("p") || name == QLatin1String("pt")) {
            const qsizetype needed = name == QLatin1String("p") ? 1 : 2;
            if (i + needed >= arguments.size()) {
                parsed.incomplete = true;
                break;
            }
            parsed.print = true;
            parsed.printFile = arguments.at(i + 1);
            if (needed == 2) parsed.printerName = arguments.at(i + 2);
            i += needed;
            continue;
        }
        parsed.unknownSwitches.append(argument);
    }
    return parsed;
}

QString absolutePath(const QString& path, const QString& workingDirectory) {
    if (QDir::isAbsolutePath(path)) return QDir::cleanPath(path);
    const QDir base(workingDirectory.isEmpty() ? QDir::currentPath() : workingDirectory);
    return QDir::cleanPath(base.absoluteFilePath(path));
}

}  // namespace tessary
