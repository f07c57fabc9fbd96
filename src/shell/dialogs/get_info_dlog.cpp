#include "shell/dialogs/get_info_dlog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "app/string_table.h"
#include "app/units.h"
#include "model/page.h"
#include "shell/app/page_document.h"
#include "shell/dialogs/file_info_texts.h"

namespace tessary {

namespace {

constexpr int kImageInfoTitle = 4222;
constexpr int kImageTypeBase = 4100;
constexpr int kImageTypeLast = 4108;
constexpr int kNoType = 4100;

QString typeName(std::int32_t type) {
    const int id =
        type >= 0 && type <= kImageTypeLast - kImageTypeBase ? kImageTypeBase + type : kNoType;
    return QString::fromStdString(loadString(id));
}

}  // namespace

CGetInfoDlogHandler::CGetInfoDlogHandler(const QString& documentTitle, std::int32_t pageType,
                                         double width, double height, std::uint64_t savedSize,
                                         QWidget* parent)
    : OurDlogHandlerBase(parent), m_savedSize(savedSize) {
    setWindowTitle(QStringLiteral("%1 \"%2\"")
                       .arg(QString::fromStdString(loadString(kImageInfoTitle)), documentTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    auto addValue = [&](int id, const QString& label) {
        auto* value = new QLabel(this);
        registerControl(id, value);
        form->addRow(label, value);
    };
    addValue(kIdImageType, QStringLiteral("Image Type:"));
    addValue(kIdWidth, QStringLiteral("Width:"));
    addValue(kIdHeight, QStringLiteral("Height:"));
    addValue(kIdOpenedSize, QStringLiteral("Opened File Size:"));
    addValue(kIdSavedSize, QStringLiteral("Saved Size:"));
    auto* speed = new QComboBox(this);
    registerControl(kIdModemSpeed, speed);
    form->addRow(QStringLiteral("Modem Speed:"), speed);
    addValue(kIdDownloadTime, QStringLiteral("Est. Download Time:"));
    layout->addWidget(makeButtons(QStringLiteral("OK"), QString()));

    // The window manager cuts a title wider than the window: make room for
    // the text and the title bar's buttons.
    setMinimumWidth(std::max(layout->minimumSize().width(), titleFitWidth(windowTitle())));

    setString(kIdImageType, typeName(pageType));
    setNumber(kIdWidth, width, 0);
    setNumber(kIdHeight, height, 0);
    setString(kIdSavedSize, fileSizeText(savedSize));
    const std::uint64_t opened = imageByteCount(static_cast<std::int64_t>(width),
                                                static_cast<std::int64_t>(height), pageType);
    setString(kIdOpenedSize, fileSizeText(opened));
    for (const ModemSpeed& entry : kModemSpeeds) appendString(kIdModemSpeed, entry.label);
    setSelectedIndex(kIdModemSpeed, 0);
    connect(speed, &QComboBox::currentIndexChanged, this, &CGetInfoDlogHandler::updateDownloadTime);
    updateDownloadTime();
}

CGetInfoDlogHandler::~CGetInfoDlogHandler() = default;

void CGetInfoDlogHandler::updateDownloadTime() {
    const int index = selectedIndex(kIdModemSpeed);
    const std::int32_t speed =
        index >= 0 && index < kModemSpeedCount ? kModemSpeeds[index].bytesPerSecond : 0;
    setString(kIdDownloadTime, downloadTimeText(m_savedSize, speed));
}

int CGetInfoDlogHandler::titleFitWidth(const QString& title) const {
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int bar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    return metrics.horizontalAdvance(title) + kTitleButtons * std::max(bar, metrics.height());
}

std::uint64_t CGetInfoDlog::savedSizeOf(const CPageDocument& document) {
    if (document.path().isEmpty()) return 0;
    const QFileInfo info(document.path());
    if (!info.isFile()) return 0;
    return static_cast<std::uint64_t>(info.size());
}

void CGetInfoDlog::run(CPageDocument& document, QWidget* parent) {
    const Page* page = document.page();
    if (page == nullptr) return;
    const Rect bounds = page->bounds();
    CGetInfoDlogHandler dialog(document.title(), page->type(), bounds.width(), bounds.height(),
                               savedSizeOf(document), parent);
    dialog.exec();
}

}  // namespace tessary
