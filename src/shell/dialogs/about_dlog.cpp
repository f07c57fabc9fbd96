#include "shell/dialogs/about_dlog.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <cmath>

#include "app/string_table.h"

namespace tessary {

namespace {

constexpr int kVersionString = 5201;
constexpr int kPictureSize = 96;
constexpr int kTile = 12;

}  // namespace

QPixmap CAboutDlogHandler::picture(int index) {
    QPixmap pixmap(index == 1 ? 2 * kPictureSize : kPictureSize, kPictureSize);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    switch (index) {
        case 0:  // tiles whose hue turns around the centre
            for (int y = 0; y < kPictureSize; y += kTile) {
                for (int x = 0; x < kPictureSize; x += kTile) {
                    const double dx = x + kTile / 2 - kPictureSize / 2;
                    const double dy = y + kTile / 2 - kPictureSize / 2;
                    const int hue =
                        static_cast<int>((std::atan2(dy, dx) + M_PI) / (2 * M_PI) * 359);
                    painter.fillRect(x + 1, y + 1, kTile - 2, kTile - 2,
                                     QColor::fromHsv(hue, 200, 230));
                }
            }
            break;
        case 1: {  // the product name
            QFont font = painter.font();
            font.setPointSize(22);
            font.setBold(true);
            painter.setFont(font);
            painter.setPen(QColor(40, 40, 90));
            painter.drawText(pixmap.rect(), Qt::AlignCenter,
                             QString::fromStdString(loadString(128)));
            break;
        }
        default:  // a ramp of grey levels
            for (int x = 0; x < kPictureSize; ++x) {
                const int level = x * 255 / (kPictureSize - 1);
                painter.setPen(QColor(level, level, level));
                painter.drawLine(x, 0, x, kPictureSize - 1);
            }
            break;
    }
    return pixmap;
}

CAboutDlogHandler::CAboutDlogHandler(QWidget* parent) : OurDlogHandlerBase(parent) {
    setWindowTitle(QStringLiteral("About %1").arg(QString::fromStdString(loadString(128))));
    auto* layout = new QVBoxLayout(this);
    auto* pictures = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(this);
        label->setPixmap(picture(i));
        registerControl(kIdPictureFirst + i, label);
        pictures->addWidget(label);
    }
    layout->addLayout(pictures);
    auto* versionRow = new QHBoxLayout;
    versionRow->addStretch(1);
    versionRow->addWidget(new QLabel(QStringLiteral("Version"), this));
    auto* version = new QLabel(this);
    registerControl(kIdVersion, version);
    versionRow->addWidget(version);
    versionRow->addStretch(1);
    layout->addLayout(versionRow);
    setString(kIdVersion, QString::fromStdString(loadString(kVersionString)));
}

CAboutDlogHandler::~CAboutDlogHandler() = default;

void CAboutDlogHandler::showAsSplash() {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setModal(false);
    show();
}

void CAboutDlogHandler::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        accept();
        return;
    }
    OurDlogHandlerBase::mousePressEvent(event);
}

}  // namespace tessary
