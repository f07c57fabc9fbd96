#include "shell/dialogs/image_well.h"

#include <QPainter>

namespace tessary {

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kDarkBlue = qRgb(0, 0, 0xC0);

QImage makeCheckerboard() {
    QImage board(CImageWell::kCheckerCells, CImageWell::kCheckerCells, QImage::Format_RGB32);
    for (int y = 0; y < board.height(); ++y)
        for (int x = 0; x < board.width(); ++x)
            board.setPixel(x, y, (x + y) % 2 == 0 ? kWhite : kDarkBlue);
    return board;
}

}  // namespace

CImageWell::CImageWell(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setMinimumSize(60, 60);
}

CImageWell::~CImageWell() = default;

const QImage& CImageWell::checkerboard() {
    static const QImage board = makeCheckerboard();
    return board;
}

void CImageWell::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the frame
    QPainter painter(this);
    const QRect client = contentsRect();
    painter.setClipRect(client);
    // Stretched without smoothing, so the squares keep hard edges.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(client, checkerboard());
    paintPreview(painter, client);
}

void CImageWell::paintPreview(QPainter&, const QRect&) {}

}  // namespace tessary
