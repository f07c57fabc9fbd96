#include "shell/app/title_builder.h"

namespace tessary {

QString mainWindowTitle(const MainTitleParts& parts) {
    if (parts.document.isEmpty() || parts.qtAppendsChild) return parts.product;
    QString title = parts.product + QStringLiteral(" - ") + parts.document;
    if (parts.modified) title += QLatin1Char('*');
    return title;
}

QString titleWithMaximizedChild(const QString& ownTitle, const QString& childTitle) {
    return ownTitle + QStringLiteral(" - [") + childTitle + QLatin1Char(']');
}

}  // namespace tessary
