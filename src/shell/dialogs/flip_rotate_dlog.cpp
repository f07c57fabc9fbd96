#include "shell/dialogs/flip_rotate_dlog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTransform>
#include <QVBoxLayout>

#include "effects/geometry/flip_rotate.h"
#include "shell/dialogs/static_image.h"

namespace tessary {

namespace {

constexpr int kPictureSize = 48;

// The picture frames, a picture with its caption under it.
QWidget* captioned(QWidget* picture, const QString& caption, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(picture, 0, Qt::AlignHCenter);
    auto* label = new QLabel(caption, box);
    label->setAlignment(Qt::AlignHCenter);
    column->addWidget(label);
    return box;
}

}  // namespace

QImage flipRotateOriginalPicture() {
    QImage picture(kPictureSize, kPictureSize, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    // The letter's stem and two arms; the arms of different length so that
    // no flip or turn maps the letter onto itself.
    const QColor ink(0, 0, 128);
    painter.fillRect(QRect(14, 8, 8, 32), ink);
    painter.fillRect(QRect(14, 8, 22, 7), ink);
    painter.fillRect(QRect(14, 21, 15, 6), ink);
    // A red dot at the foot marks the bottom-left corner.
    painter.fillRect(QRect(8, 36, 4, 4), QColor(200, 0, 0));
    return picture;
}

QImage flipRotatePicture(int operation) {
    const QImage original = flipRotateOriginalPicture();
    switch (operation) {
        case kFlipHorizontal:
            return original.mirrored(true, false);
        case kFlipVertical:
            return original.mirrored(false, true);
        case kHalfTurn:
            return original.mirrored(true, true);
        case kQuarterTurnCounterClockwise:
            return original.transformed(QTransform().rotate(-90));
        case kQuarterTurnClockwise:
            return original.transformed(QTransform().rotate(90));
        default:
            return original;
    }
}

CFlipRotateDialog::CFlipRotateDialog(QWidget* parent) : OurDlogHandlerBase(parent) {
    setWindowTitle(QStringLiteral("Flip and Rotate"));
    m_model.open();

    auto* original = new CStaticImage(this);
    auto* current = new CStaticImage(this);
    original->setImage(flipRotateOriginalPicture());
    registerControl(kIdOriginal, original);
    registerControl(kIdCurrent, current);
    auto* top = new QHBoxLayout;
    top->addStretch(1);
    top->addWidget(captioned(original, QStringLiteral("Original"), this));
    top->addSpacing(24);
    top->addWidget(captioned(current, QStringLiteral("Current"), this));
    top->addStretch(1);

    auto* prompt = new QLabel(
        QStringLiteral("Click on any of the examples shown below to cause that flip or rotation "
                       "to be applied to your image."),
        this);
    prompt->setWordWrap(true);

    auto* flips = new QGroupBox(QStringLiteral("Flips"), this);
    auto* rotations = new QGroupBox(QStringLiteral("Rotations"), this);
    auto* flipRow = new QHBoxLayout(flips);
    auto* rotationRow = new QHBoxLayout(rotations);
    for (const FlipRotateExample& entry : flipRotateExamples()) {
        auto* picture = new CStaticImage(this);
        picture->setImage(flipRotatePicture(entry.operation));
        picture->setCursor(Qt::PointingHandCursor);
        registerControl(entry.controlId, picture);
        const bool isFlip = entry.operation == kFlipHorizontal || entry.operation == kFlipVertical;
        QWidget* box = captioned(picture, QString::fromUtf8(entry.label), this);
        (isFlip ? flipRow : rotationRow)->addWidget(box);
        const int id = entry.controlId;
        connect(picture, &CStaticImage::clicked, this, [this, id] { exampleClicked(id); });
    }
    auto* examples = new QHBoxLayout;
    examples->addWidget(flips);
    examples->addWidget(rotations, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(prompt);
    layout->addLayout(examples);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));
    showChoice();
}

CFlipRotateDialog::~CFlipRotateDialog() = default;

CStaticImage* CFlipRotateDialog::example(int controlId) const {
    return controlAs<CStaticImage>(controlId);
}

void CFlipRotateDialog::exampleClicked(int controlId) {
    if (m_model.click(controlId)) showChoice();
}

void CFlipRotateDialog::showChoice() {
    for (const FlipRotateExample& entry : flipRotateExamples())
        example(entry.controlId)->setChosen(entry.choice == m_model.chosen());
    example(kIdCurrent)->setImage(flipRotatePicture(m_model.operation()));
}

}  // namespace tessary
