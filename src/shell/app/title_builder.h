#pragma once

#include <QString>

namespace tessary {

// What the main window's title is made of at one moment of the model.
struct MainTitleParts {
    // The product name, always first.
    QString product;
    // The active document's title; empty when no image window is active.
    QString document;
    // The active document has changes not yet saved.
    bool modified = false;
    // The active image window is maximized and Qt shows it in the main
    // title: while a maximized child's buttons sit in the menu bar, Qt
    // appends " - [<child title>]" to whatever title the main window is
    // given, so the title built here must not name the document again.
    bool qtAppendsChild = false;
};

// The main window's own title: "<product>" without an active document or
// while Qt appends the maximized child itself, else
// "<product> - <document>" followed by "*" when modified.
QString mainWindowTitle(const MainTitleParts& parts);

// The title Qt shows once it has appended the maximized child titled
// `childTitle` to `ownTitle`.
QString titleWithMaximizedChild(const QString& ownTitle, const QString& childTitle);

}  // namespace tessary
