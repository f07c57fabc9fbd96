#include "shell/app/recent_file_list.h"

#include <QFileInfo>
#include <QSettings>

namespace tessary {

namespace {

constexpr const char* kOrganisation = "Local AppWizard-Generated Applications";
constexpr const char* kApplication = "Tessary";
constexpr const char* kSection = "Recent File List";

QString normalised(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

RecentFileList::RecentFileList() {
    load();
}

void RecentFileList::add(const QString& path) {
    const QString entry = normalised(path);
    m_paths.removeIf([&](const QString& old) { return normalised(old) == entry; });
    m_paths.prepend(entry);
    while (m_paths.size() > kSize) m_paths.removeLast();
    save();
}

void RecentFileList::remove(int index) {
    if (index < 0 || index >= m_paths.size()) return;
    m_paths.removeAt(index);
    save();
}

void RecentFileList::load() {
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(kSection);
    m_paths.clear();
    for (int i = 1; i <= kSize; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) m_paths.append(path);
    }
}

void RecentFileList::save() const {
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(kSection);
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_paths.size())
            settings.setValue(key, m_paths.at(i - 1));
        else
            settings.remove(key);
    }
    settings.sync();
}

}  // namespace tessary
