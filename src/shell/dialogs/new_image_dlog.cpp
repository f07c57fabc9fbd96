#include "shell/dialogs/new_image_dlog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/file_options_prefs.h"
#include "app/string_table.h"
#include "app/units.h"
#include "exchange/page_scrap.h"
#include "shell/dialogs/new_image_presets.h"

namespace tessary {

namespace {

constexpr int kTypeRgbString = 360;
constexpr int kTypeGreyString = 361;
constexpr int kFillWhiteString = 370;
constexpr int kFillBlackString = 371;
constexpr int kFillClipboardString = 372;
constexpr int kUnitNameFirst = 340;
constexpr int kUnitCount = 5;
constexpr int kPerInchString = 350;
constexpr int kPerCentimeterString = 351;
constexpr int kFillClipboard = 3;
// Width and height are shown with two decimals, and so is the resolution.
constexpr int kDecimals = 2;

QString text(int id) {
    return QString::fromStdString(loadString(id));
}

bool scrapHasImage(const PageScrap* scrap) {
    return scrap != nullptr && scrap->hasImage();
}

// The screen's size in pixels, 0 x 0 when there is no screen.
void screenSize(double& width, double& height) {
    width = 0.0;
    height = 0.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        width = geometry.width();
        height = geometry.height();
    }
}

}  // namespace

CNewImageDlogHandler::CNewImageDlogHandler(const FileOptionsPrefs& options, const PageScrap* scrap,
                                           QWidget* parent)
    : OurDlogHandlerBase(parent), m_scrap(scrap) {
    setWindowTitle(QStringLiteral("New Image"));
    m_type = options.newImageType == 2 ? 2 : 5;
    m_fill = options.newImageFill == 2 ? 2 : 1;
    m_unit = options.newImageSizeUnit >= 0 && options.newImageSizeUnit < kUnitCount
                 ? options.newImageSizeUnit
                 : 0;
    m_resolution = options.newImageResolution >= 1.0 ? options.newImageResolution : 72.0;
    m_resolutionUnit = options.newImageResolutionUnit == kPerCentimeter ? kPerCentimeter : kPerInch;
    m_width = fromPixels(options.newImageWidth, m_unit, m_resolution);
    m_height = fromPixels(options.newImageHeight, m_unit, m_resolution);

    // --- Controls --------------------------------------------------------
    auto* layout = new QVBoxLayout(this);
    auto* top = new QFormLayout;
    auto* type = new QComboBox(this);
    auto* fill = new QComboBox(this);
    registerControl(kIdType, type);
    registerControl(kIdFill, fill);
    top->addRow(QStringLiteral("Image Type:"), type);
    top->addRow(QStringLiteral("Fill With:"), fill);
    layout->addLayout(top);

    auto* size = new QGridLayout;
    auto* presetRadio = new QRadioButton(QStringLiteral("Preset:"), this);
    auto* customRadio = new QRadioButton(QStringLiteral("Custom:"), this);
    auto* radios = new QButtonGroup(this);
    radios->addButton(presetRadio);
    radios->addButton(customRadio);
    auto* presets = new QComboBox(this);
    auto* width = new QLineEdit(this);
    auto* height = new QLineEdit(this);
    auto* unit = new QComboBox(this);
    registerControl(kIdPresetRadio, presetRadio);
    registerControl(kIdCustomRadio, customRadio);
    registerControl(kIdPresets, presets);
    registerControl(kIdWidth, width);
    registerControl(kIdHeight, height);
    registerControl(kIdSizeUnit, unit);
    size->addWidget(presetRadio, 0, 0);
    size->addWidget(presets, 0, 1, 1, 3);
    size->addWidget(customRadio, 1, 0);
    size->addWidget(new QLabel(QStringLiteral("Width:"), this), 1, 1);
    size->addWidget(width, 1, 2);
    size->addWidget(unit, 1, 3);
    size->addWidget(new QLabel(QStringLiteral("Height:"), this), 2, 1);
    size->addWidget(height, 2, 2);
    layout->addLayout(size);

    auto* resolutionRow = new QHBoxLayout;
    auto* resolution = new QLineEdit(this);
    auto* resolutions = new QComboBox(this);
    auto* resolutionUnit = new QComboBox(this);
    registerControl(kIdResolution, resolution);
    registerControl(kIdResolutions, resolutions);
    registerControl(kIdResolutionUnit, resolutionUnit);
    resolutionRow->addWidget(new QLabel(QStringLiteral("Resolution:"), this));
    resolutionRow->addWidget(resolution);
    resolutionRow->addWidget(resolutionUnit);
    resolutionRow->addWidget(resolutions, 1);
    layout->addLayout(resolutionRow);

    auto* sizeRow = new QHBoxLayout;
    auto* sizeText = new QLabel(this);
    registerControl(kIdSizeText, sizeText);
    sizeRow->addWidget(new QLabel(QStringLiteral("Image size:"), this));
    sizeRow->addWidget(sizeText, 1);
    layout->addLayout(sizeRow);
    layout->addWidget(makeButtons(QStringLiteral("&New"), QStringLiteral("Cancel")));

    // --- Contents ----------------------------------------------------------
    appendString(kIdType, text(kTypeRgbString));
    appendString(kIdType, text(kTypeGreyString));
    setSelectedIndex(kIdType, m_type == 2 ? 1 : 0);
    appendString(kIdFill, text(kFillWhiteString));
    appendString(kIdFill, text(kFillBlackString));
    if (scrapHasImage(m_scrap)) appendString(kIdFill, text(kFillClipboardString));
    setSelectedIndex(kIdFill, m_fill - 1);
    for (const SizePreset& preset : kSizePresets)
        appendString(kIdPresets, text(preset.labelString));
    setSelectedIndex(kIdPresets, 0);
    for (int i = 0; i < kUnitCount; ++i) appendString(kIdSizeUnit, text(kUnitNameFirst + i));
    setSelectedIndex(kIdSizeUnit, m_unit);
    for (const StandardResolution& entry : kStandardResolutions)
        appendString(kIdResolutions, text(entry.labelString));
    setSelectedIndex(kIdResolutions, standardResolutionIndex(m_resolution));
    appendString(kIdResolutionUnit, text(kPerInchString));
    appendString(kIdResolutionUnit, text(kPerCentimeterString));
    setSelectedIndex(kIdResolutionUnit, m_resolutionUnit - 1);
    // The remembered size is a custom size.
    setCheck(kIdCustomRadio, true);
    showSize();
    showResolution();
    updateSizeText();

    // --- Reactions ---------------------------------------------------------
    connect(type, &QComboBox::currentIndexChanged, this, &CNewImageDlogHandler::typeChanged);
    connect(fill, &QComboBox::currentIndexChanged, this, &CNewImageDlogHandler::fillChanged);
    connect(presets, &QComboBox::currentIndexChanged, this, [this] {
        setCheck(kIdPresetRadio, true);
        presetChosen();
    });
    connect(presetRadio, &QRadioButton::clicked, this, &CNewImageDlogHandler::presetChosen);
    connect(unit, &QComboBox::currentIndexChanged, this, &CNewImageDlogHandler::sizeUnitChanged);
    connect(resolutions, &QComboBox::currentIndexChanged, this,
            &CNewImageDlogHandler::resolutionChosen);
    connect(resolutionUnit, &QComboBox::currentIndexChanged, this,
            &CNewImageDlogHandler::resolutionUnitChanged);
    // Only the edited field is read back: the other keeps its exact value,
    // not the two decimals it shows.
    connect(width, &QLineEdit::textEdited, this, &CNewImageDlogHandler::widthEdited);
    connect(height, &QLineEdit::textEdited, this, &CNewImageDlogHandler::heightEdited);
    connect(resolution, &QLineEdit::textEdited, this, &CNewImageDlogHandler::resolutionEdited);
    width->installEventFilter(this);
    height->installEventFilter(this);
}

CNewImageDlogHandler::~CNewImageDlogHandler() = default;

bool CNewImageDlogHandler::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn &&
        (watched == control(kIdWidth) || watched == control(kIdHeight)))
        selectCustom();
    return OurDlogHandlerBase::eventFilter(watched, event);
}

void CNewImageDlogHandler::selectCustom() {
    if (!isChecked(kIdCustomRadio)) setCheck(kIdCustomRadio, true);
}

void CNewImageDlogHandler::showSize() {
    setNumber(kIdWidth, m_width, kDecimals);
    setNumber(kIdHeight, m_height, kDecimals);
}

void CNewImageDlogHandler::showResolution() {
    const double shown =
        m_resolutionUnit == kPerCentimeter ? perInchToPerCentimeter(m_resolution) : m_resolution;
    setNumber(kIdResolution, shown, kDecimals);
}

void CNewImageDlogHandler::updateSizeText() {
    setString(kIdSizeText, QString::fromStdString(
                               imageSizeText(m_width, m_height, m_unit, m_resolution, m_type)));
}

void CNewImageDlogHandler::typeChanged(int index) {
    m_type = index == 1 ? 2 : 5;
    updateSizeText();
}

void CNewImageDlogHandler::fillChanged(int index) {
    m_fill = index + 1;
    if (m_fill == kFillClipboard && scrapHasImage(m_scrap)) {
        m_width = fromPixels(m_scrap->width(), m_unit, m_resolution);
        m_height = fromPixels(m_scrap->height(), m_unit, m_resolution);
        selectCustom();
        showSize();
        updateSizeText();
    }
}

void CNewImageDlogHandler::presetChosen() {
    const int index = selectedIndex(kIdPresets);
    if (index < 0 || index >= kSizePresetCount) return;
    const SizePreset& preset = kSizePresets[index];
    double width = preset.width;
    double height = preset.height;
    if (index == kCurrentMonitorPreset) screenSize(width, height);
    m_width = clampSizeValue(convertUnit(width, preset.unit, m_unit, m_resolution));
    m_height = clampSizeValue(convertUnit(height, preset.unit, m_unit, m_resolution));
    showSize();
    updateSizeText();
}

void CNewImageDlogHandler::sizeUnitChanged(int index) {
    if (index < 0 || index >= kUnitCount) return;
    m_width = clampSizeValue(convertUnit(m_width, m_unit, index, m_resolution));
    m_height = clampSizeValue(convertUnit(m_height, m_unit, index, m_resolution));
    m_unit = index;
    showSize();
    updateSizeText();
}

void CNewImageDlogHandler::resolutionChosen(int index) {
    if (index < 0 || index >= kStandardResolutionCount) return;
    m_resolution = kStandardResolutions[index].pixelsPerInch;
    showResolution();
    updateSizeText();
}

void CNewImageDlogHandler::resolutionUnitChanged(int index) {
    m_resolutionUnit = index == 1 ? kPerCentimeter : kPerInch;
    showResolution();
}

void CNewImageDlogHandler::widthEdited() {
    m_width = getNumber(kIdWidth);
    updateSizeText();
}

void CNewImageDlogHandler::heightEdited() {
    m_height = getNumber(kIdHeight);
    updateSizeText();
}

void CNewImageDlogHandler::resolutionEdited() {
    const double shown = getNumber(kIdResolution);
    m_resolution = m_resolutionUnit == kPerCentimeter ? perCentimeterToPerInch(shown) : shown;
    updateSizeText();
}

NewImageResult CNewImageDlogHandler::result() const {
    NewImageResult out;
    out.type = m_type;
    out.fill = m_fill;
    out.width = toPixels(m_width, m_unit, m_resolution);
    out.height = toPixels(m_height, m_unit, m_resolution);
    // A resolution below 1 pixel per inch (typed in) is taken as 1, so that
    // no later conversion divides by zero.
    out.resolution = m_resolution >= 1.0 ? m_resolution : 1.0;
    return out;
}

void CNewImageDlogHandler::remember(FileOptionsPrefs& options) const {
    const NewImageResult chosen = result();
    options.newImageType = m_type;
    options.newImageFill = m_fill == kFillClipboard ? 1 : m_fill;
    options.newImageWidth = chosen.width;
    options.newImageHeight = chosen.height;
    options.newImageResolution = chosen.resolution;
    options.newImageSizeUnit = m_unit;
    options.newImageResolutionUnit = m_resolutionUnit;
}

bool CNewImageDlog::run(FileOptionsPrefs& options, const PageScrap* scrap, QWidget* parent,
                        NewImageResult& result) {
    CNewImageDlogHandler dialog(options, scrap, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    result = dialog.result();
    dialog.remember(options);
    return true;
}

}  // namespace tessary
