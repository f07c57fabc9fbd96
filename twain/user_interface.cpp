#include "user_interface.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "environment.h"

namespace tessary::twain {

bool windowsAvailable() {
    return !headlessRequested() && qobject_cast<QApplication*>(QCoreApplication::instance());
}

WaitCursor::WaitCursor() : m_shown(windowsAvailable()) {
    if (m_shown) QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    if (m_shown) QApplication::restoreOverrideCursor();
}

void keepOverActiveWindow(QWidget* window) {
    QWidget* active = QApplication::activeWindow();
    if (active == nullptr || active == window) return;
    window->winId();  // makes the native window that carries the hint
    if (QWindow* handle = window->windowHandle()) {
        handle->setTransientParent(active->windowHandle());
        // Centred over the active window; the window manager may adjust.
        const QRect over = active->frameGeometry();
        window->adjustSize();
        window->move(over.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

std::optional<size_t> chooseSource(const std::vector<std::string>& sources, size_t initial) {
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Select Source"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Sources:"), &dialog));
    auto* list = new QListWidget(&dialog);
    for (const std::string& source : sources) list->addItem(QString::fromStdString(source));
    list->setCurrentRow(static_cast<int>(std::min(initial, sources.size() - 1)));
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Select"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    keepOverActiveWindow(&dialog);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
    return static_cast<size_t>(list->currentRow());
}

void reportNoSources() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Select Source"),
                    QStringLiteral("No scanner was found."), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setInformativeText(
        QStringLiteral("Connect the scanner and switch it on. Scanners are reached through "
                       "SANE; \"scanimage -L\" lists the ones it can see."));
    box.exec();
}

}  // namespace tessary::twain
