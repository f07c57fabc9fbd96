#pragma once

#include <QString>
#include <QStringList>

namespace tessary {

// The most recently opened or saved files, newest first, kept in the
// application's settings (organisation "Local AppWizard-Generated
// Applications", application "Tessary", section "Recent File List", keys
// "File1" ... "File4").
class RecentFileList {
public:
    static constexpr int kSize = 4;

    // Loads the list from the settings.
    RecentFileList();

    const QStringList& paths() const { return m_paths; }

    // Puts `path` (made absolute) first; an entry naming the same file moves
    // up instead of appearing twice; the list keeps kSize entries. Written
    // to the settings at once.
    void add(const QString& path);
    // Drops entry `index` (a file that could not be opened). Written at once.
    void remove(int index);

    // Re-reads and writes the settings.
    void load();
    void save() const;

private:
    QStringList m_paths;
};

}  // namespace tessary
