#include "shell/chrome/error_box.h"

#include "app/error_messages.h"
#include "app/string_table.h"
#include "plugins/plug_in_host.h"

namespace tessary {

namespace {

constexpr int kSaveChangesQuestion = 61699;

}  // namespace

QString messageTitle() {
    return QString::fromStdString(loadString(128));
}

void showWarning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, messageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool showErrorCode(QWidget* parent, ErrorCode code) {
    if (!isReportedError(code)) return false;
    showWarning(parent, QString::fromStdString(errorMessage(code)));
    return true;
}

bool showPlugInFailure(QWidget* parent, const PlugInHost& host) {
    if (!isReportedError(host.failureCode())) return false;
    showWarning(parent, QString::fromStdString(host.failureMessage()));
    return true;
}

QMessageBox::StandardButton askSaveChanges(QWidget* parent, const QString& title) {
    const QString text = QString::fromStdString(loadString(kSaveChangesQuestion)).arg(title);
    QMessageBox box(QMessageBox::Warning, messageTitle(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace tessary
