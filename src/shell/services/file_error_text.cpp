#include "shell/services/file_error_text.h"

#include <QDir>
#include <QFileInfo>

#include "app/error_messages.h"
#include "app/string_table.h"
#include "model/error_codes.h"

namespace tessary {

namespace {

constexpr int kInvalidFilename = 61696;
constexpr int kCouldNotOpen = 61697;
constexpr int kCouldNotSave = 61698;
constexpr int kReadWriteError = 61729;
constexpr int kFileNotFound = 61730;
constexpr int kBadPath = 61731;
constexpr int kAccessDenied = 61733;

QString text(int id) {
    return QString::fromStdString(loadString(id));
}

QString named(int id, const QString& path) {
    return text(id).arg(QDir::toNativeSeparators(path));
}

QString pluginNotLoaded() {
    return QString::fromStdString(errorMessage(kErrPlugInLoad));
}

}  // namespace

QString openFailureMessage(PageFileError error, const QString& path, const PlugInHost* host) {
    if (error == PageFileError::ModuleStopped && host != nullptr)
        return QString::fromStdString(host->failureMessage());
    if (error == PageFileError::ModuleNotLoaded) return pluginNotLoaded();
    if (error == PageFileError::NotEnoughMemory)
        return QString::fromStdString(errorMessage(kErrMemory));
    if (error == PageFileError::CannotOpenFile) {
        const QFileInfo info(path);
        if (!info.exists()) return named(kFileNotFound, path);
        if (!info.isReadable()) return named(kAccessDenied, path);
        return named(kReadWriteError, path);
    }
    return text(kCouldNotOpen);
}

QString saveFailureMessage(PageFileError error, const QString& path, const PlugInHost* host) {
    const QFileInfo info(path);
    switch (error) {
        case PageFileError::ModuleStopped:
            if (host != nullptr) return QString::fromStdString(host->failureMessage());
            return text(kCouldNotSave);
        case PageFileError::CannotCreateFile: {
            const QFileInfo folder(info.absolutePath());
            if (!folder.isDir()) return named(kBadPath, path);
            if (!folder.isWritable() || (info.exists() && !info.isWritable()))
                return named(kAccessDenied, path);
            return text(kInvalidFilename);
        }
        case PageFileError::ModuleNotLoaded:
            return pluginNotLoaded();
        case PageFileError::DiskFull:
            return QString::fromStdString(errorMessage(kErrDisk));
        case PageFileError::CannotReplaceFile:
            if (info.exists() && !info.isWritable()) return named(kAccessDenied, path);
            return named(kReadWriteError, path);
        default:
            return text(kCouldNotSave);
    }
}

}  // namespace tessary
