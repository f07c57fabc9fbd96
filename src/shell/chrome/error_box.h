#pragma once

#include <QMessageBox>
#include <QString>

#include "model/error_codes.h"

class QWidget;

namespace tessary {

// The title of every message box: the product name (string 128).
QString messageTitle();

// A modal message box with the product name as title, the warning icon and
// an OK button. Returns when the user closed it.
void showWarning(QWidget* parent, const QString& text);

// Reports an edit operation's error code: success and a cancel by the user
// show nothing; any other code shows its message (string code + 4464, the
// general error's message for codes without one). Returns whether a box was
// shown.
bool showErrorCode(QWidget* parent, ErrorCode code);

class PlugInHost;
// Reports how the host's last plug-in run failed, as showErrorCode() does,
// with the module's name where the message names it.
bool showPlugInFailure(QWidget* parent, const PlugInHost& host);

// The question asked before a modified document closes, "Save changes to
// %1?" (string 61699) with the document's title, with Yes, No and Cancel.
QMessageBox::StandardButton askSaveChanges(QWidget* parent, const QString& title);

}  // namespace tessary
