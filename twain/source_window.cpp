// The source's own window: device, mode, resolution, scan area, a preview,
// and the Preview, Scan and Cancel buttons.

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "twain_protocol.h"
#include "user_interface.h"

namespace tessary::twain {

namespace {

constexpr QSize kPreviewSize(220, 280);

QString pixelTypeName(int pixelType) {
    switch (pixelType) {
        case TWPT_BW:
            return QStringLiteral("Black and white");
        case TWPT_GRAY:
            return QStringLiteral("Grey");
        default:
            return QStringLiteral("Colour");
    }
}

// The preview's rows as an image; one-bit rows keep SANE's 1 = black.
QImage toImage(const PreviewImage& preview) {
    const auto* data = preview.pixels.data();
    const int stride = static_cast<int>(preview.bytesPerRow);
    if (preview.pixelType == TWPT_RGB)
        return QImage(data, preview.width, preview.height, stride, QImage::Format_RGB888).copy();
    if (preview.pixelType == TWPT_GRAY)
        return QImage(data, preview.width, preview.height, stride, QImage::Format_Grayscale8)
            .copy();
    QImage image(data, preview.width, preview.height, stride, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    return image.copy();
}

class WindowWidget final : public QWidget {
public:
    WindowWidget(const WindowDescription& description, SourceWindowClient& client)
        : m_client(client), m_description(description) {
        setWindowTitle(QString::fromStdString(description.deviceName));
        auto* top = new QHBoxLayout(this);
        auto* controls = new QVBoxLayout;
        top->addLayout(controls);

        auto* device =
            new QLabel(QStringLiteral("<b>%1</b><br>%2")
                           .arg(QString::fromStdString(description.deviceName).toHtmlEscaped(),
                                QString::fromStdString(description.model).toHtmlEscaped()));
        controls->addWidget(device);

        auto* form = new QFormLayout;
        m_mode = new QComboBox;
        for (int type : description.pixelTypes) m_mode->addItem(pixelTypeName(type), type);
        m_mode->setCurrentIndex(std::max(0, m_mode->findData(description.current.pixelType)));
        form->addRow(QStringLiteral("&Mode:"), m_mode);
        m_resolution = new QSpinBox;
        m_resolution->setSuffix(QStringLiteral(" dpi"));
        const NumberConstraint resolutions = description.resolutions.value_or(NumberConstraint{});
        if (resolutions.isRange) {
            m_resolution->setRange(static_cast<int>(std::ceil(resolutions.min)),
                                   static_cast<int>(resolutions.max));
        } else if (!resolutions.values.empty()) {
            m_resolution->setRange(static_cast<int>(*std::min_element(resolutions.values.begin(),
                                                                      resolutions.values.end())),
                                   static_cast<int>(*std::max_element(resolutions.values.begin(),
                                                                      resolutions.values.end())));
        } else {
            m_resolution->setRange(1, 9600);
        }
        m_resolution->setValue(static_cast<int>(std::lround(description.current.resolution)));
        form->addRow(QStringLiteral("&Resolution:"), m_resolution);
        controls->addLayout(form);

        if (description.areaLimits && description.current.area) {
            auto* group = new QGroupBox(QStringLiteral("Scan area (mm)"));
            auto* grid = new QGridLayout(group);
            const auto& [x, y] = *description.areaLimits;
            const ScanArea& area = *description.current.area;
            const char* labels[4] = {"Left:", "Top:", "Width:", "Height:"};
            const double values[4] = {area.left, area.top, area.right - area.left,
                                      area.bottom - area.top};
            const double maxima[4] = {x.max, y.max, x.max - x.min, y.max - y.min};
            for (int i = 0; i < 4; ++i) {
                m_area[i] = new QDoubleSpinBox;
                m_area[i]->setDecimals(1);
                m_area[i]->setRange(0.0, maxima[i]);
                m_area[i]->setValue(values[i]);
                grid->addWidget(new QLabel(QString::fromLatin1(labels[i])), i / 2, (i % 2) * 2);
                grid->addWidget(m_area[i], i / 2, (i % 2) * 2 + 1);
                connect(m_area[i], &QDoubleSpinBox::valueChanged, this, [this] { drawPreview(); });
            }
            controls->addWidget(group);
        }
        controls->addStretch();
        m_status = new QLabel;
        m_status->setWordWrap(true);
        controls->addWidget(m_status);

        auto* buttons = new QHBoxLayout;
        auto* preview = new QPushButton(QStringLiteral("&Preview"));
        auto* scan = new QPushButton(QStringLiteral("&Scan"));
        auto* cancel = new QPushButton(QStringLiteral("Cancel"));
        scan->setDefault(true);
        buttons->addWidget(preview);
        buttons->addStretch();
        buttons->addWidget(scan);
        buttons->addWidget(cancel);
        controls->addLayout(buttons);
        connect(preview, &QPushButton::clicked, this, [this] { runPreview(); });
        connect(scan, &QPushButton::clicked, this,
                [this] { showStatus(m_client.scanRequested(choices())); });
        connect(cancel, &QPushButton::clicked, this, [this] { m_client.cancelRequested(); });

        m_preview = new QLabel;
        m_preview->setFixedSize(kPreviewSize);
        m_preview->setFrameShape(QFrame::StyledPanel);
        m_preview->setAlignment(Qt::AlignCenter);
        top->addWidget(m_preview);
    }

    void showStatus(const std::string& text) { m_status->setText(QString::fromStdString(text)); }

protected:
    // Closing asks the application to close the source; the window goes
    // when the source is disabled.
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        m_client.cancelRequested();
    }

private:
    WindowChoices choices() const {
        WindowChoices choices;
        choices.pixelType = m_mode->currentData().toInt();
        choices.resolution = m_resolution->value();
        if (m_description.resolutions)
            choices.resolution = m_description.resolutions->nearest(choices.resolution);
        if (m_area[0]) {
            ScanArea area;
            area.left = m_area[0]->value();
            area.top = m_area[1]->value();
            area.right = area.left + m_area[2]->value();
            area.bottom = area.top + m_area[3]->value();
            if (const auto& limits = m_description.areaLimits) {
                area.right = std::min(area.right, limits->first.max);
                area.bottom = std::min(area.bottom, limits->second.max);
            }
            choices.area = area;
        }
        return choices;
    }

    void runPreview() {
        showStatus("Scanning a preview...");
        QApplication::setOverrideCursor(Qt::WaitCursor);
        PreviewImage preview;
        const std::string error = m_client.previewRequested(choices(), preview);
        QApplication::restoreOverrideCursor();
        showStatus(error);
        if (preview.width > 0 && preview.height > 0) m_image = toImage(preview);
        drawPreview();
    }

    // The preview scaled into its frame, with the scan area outlined.
    void drawPreview() {
        if (m_image.isNull()) return;
        QPixmap pixmap = QPixmap::fromImage(m_image.scaled(
            kPreviewSize - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        if (m_area[0] && m_description.areaLimits) {
            const auto& [x, y] = *m_description.areaLimits;
            const double sx = pixmap.width() / std::max(1.0, x.max - x.min);
            const double sy = pixmap.height() / std::max(1.0, y.max - y.min);
            QPainter painter(&pixmap);
            painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
            painter.drawRect(QRectF((m_area[0]->value() - x.min) * sx,
                                    (m_area[1]->value() - y.min) * sy, m_area[2]->value() * sx,
                                    m_area[3]->value() * sy));
        }
        m_preview->setPixmap(pixmap);
    }

    SourceWindowClient& m_client;
    WindowDescription m_description;
    QComboBox* m_mode = nullptr;
    QSpinBox* m_resolution = nullptr;
    QDoubleSpinBox* m_area[4] = {nullptr, nullptr, nullptr, nullptr};
    QLabel* m_status = nullptr;
    QLabel* m_preview = nullptr;
    QImage m_image;
};

class QtSourceWindow final : public SourceWindow {
public:
    QtSourceWindow(const WindowDescription& description, SourceWindowClient& client)
        : m_widget(new WindowWidget(description, client)) {
        keepOverActiveWindow(m_widget);
        m_widget->show();
        m_widget->raise();
        m_widget->activateWindow();
    }
    ~QtSourceWindow() override {
        // Deleted at once, never later: the code behind the widget goes
        // away when the library is unloaded. Without an application object
        // (the process is ending) the widget is left alone.
        if (QCoreApplication::instance()) delete m_widget;
    }
    void showStatus(const std::string& text) override { m_widget->showStatus(text); }

private:
    WindowWidget* m_widget;
};

}  // namespace

std::unique_ptr<SourceWindow> openSourceWindow(const WindowDescription& description,
                                               SourceWindowClient& client) {
    return std::make_unique<QtSourceWindow>(description, client);
}

}  // namespace tessary::twain
