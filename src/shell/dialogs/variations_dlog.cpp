#include "shell/dialogs/variations_dlog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/string_table.h"
#include "app/variations_prefs.h"
#include "app/zerozevuv.h"
#include "effects/framework/effect_target.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "shell/app/shell_context.h"
#include "shell/dialogs/travel_outline.h"
#include "shell/dialogs/variation_cntl.h"

namespace tessary {

namespace {

// A string of the table, or `fallback` when the table has none.
QString text(int id, std::string_view fallback) {
    const std::string& loaded = loadString(id);
    const std::string_view chosen = loaded.empty() ? fallback : std::string_view(loaded);
    return QString::fromUtf8(chosen.data(), static_cast<qsizetype>(chosen.size()));
}

// A size in dialog units turned into pixels with the dialog's font: a
// horizontal unit is a quarter of the average character width, a vertical
// one an eighth of the character height.
QSize dialogUnitsToPixels(const QFont& font, int across, int down) {
    const QFontMetrics metrics(font);
    const int baseX = std::max(1, metrics.averageCharWidth());
    const int baseY = std::max(1, metrics.height());
    return QSize(across * baseX / 4, down * baseY / 8);
}

// Where a thumbnail sits in the dialog's grid (row, column): original and
// current on top; below them the x row, then the y and z rows around the
// second "Current" in the middle column.
struct GridCell {
    int row = 0;
    int column = 0;
};

GridCell gridCell(int dialogId, int id) {
    const bool neighbourhood = !dialogHasThumbnail(dialogId, kThumbCurrentToo);
    switch (id) {
        case 1089:
            return {0, 0};
        case 1090:
            return {0, 1};
        case 1091:
            return {1, 1};
        case 1092:
            return {1, 0};
        case 1093:
            return {1, neighbourhood ? 1 : 0};
        case 1094:
            return {1, 2};
        case 1095:
            return {1, 3};
        case 1096:
            return {2, 0};
        case 1097:
            return {2, 2};
        case 1098:
            return {3, 0};
        case 1099:
            return {3, 2};
        default:
            return {};
    }
}

}  // namespace

CVariationsDlogHandler::CVariationsDlogHandler(VariationsKind kind, Page& page,
                                               const EffectContext& effect, VariationsPrefs& prefs,
                                               const PageDraw* sharedRenderer, QWidget* parent)
    : OurDlogHandlerBase(parent), m_page(page), m_prefs(prefs) {
    TS_ASSERT(page.pageData() != nullptr);
    if (m_ownRenderer.initialise(kPreviewBand, kPreviewBand))
        m_renderer = &m_ownRenderer;
    else if (sharedRenderer != nullptr && sharedRenderer->ready())
        m_renderer = sharedRenderer;

    const QSize thumbnailSize =
        dialogUnitsToPixels(font(), kThumbnailDialogUnits, kThumbnailDialogUnits);
    m_logic = std::make_unique<VariationsLogic>(
        page, kind, effect, prefs.zoom, prefs.fine,
        Rect{0, 0, thumbnailSize.width(), thumbnailSize.height()});
    buildControls(thumbnailSize);
    setTexts();
    setCheck(m_logic->fine() ? kIdFine : kIdCoarse, true);
    showZoom();
}

CVariationsDlogHandler::~CVariationsDlogHandler() {
    // A dialog that goes away without OK or Cancel must not leave its change
    // open: the page goes back to where the dialog found it.
    m_logic->cancel();
}

void CVariationsDlogHandler::buildControls(const QSize& thumbnailSize) {
    const int dialog = m_logic->setup().dialogId;
    auto* layout = new QHBoxLayout(this);

    auto* thumbnails = new QGridLayout;
    thumbnails->setHorizontalSpacing(8);
    for (int id = kThumbFirst; id <= kThumbLast; ++id) {
        if (!dialogHasThumbnail(dialog, id)) continue;
        auto* thumb = new CVariationCntl(id, thumbnailSize, this);
        auto* label = new QLabel(this);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        registerControl(id, thumb);
        registerControl(id + kThumbLabelOffset, label);
        m_thumbnails[static_cast<std::size_t>(id - kThumbFirst)] = thumb;
        const GridCell cell = gridCell(dialog, id);
        thumbnails->addWidget(thumb, 2 * cell.row, cell.column, Qt::AlignHCenter);
        thumbnails->addWidget(label, 2 * cell.row + 1, cell.column, Qt::AlignHCenter);
        connect(thumb, &CVariationCntl::clicked, this, &CVariationsDlogHandler::thumbnailClicked);
        connect(thumb, &CVariationCntl::dragged, this, &CVariationsDlogHandler::thumbnailDragged);
        connect(thumb, &CVariationCntl::released, this, &CVariationsDlogHandler::thumbnailReleased);
    }
    layout->addLayout(thumbnails);

    auto* side = new QVBoxLayout;
    auto* adjustment = new QGroupBox(QStringLiteral("Adjustment Control"), this);
    auto* adjustmentLayout = new QVBoxLayout(adjustment);
    auto* steps = new QButtonGroup(this);
    auto* coarse = new QRadioButton(QStringLiteral("Coarse"), adjustment);
    auto* fine = new QRadioButton(QStringLiteral("Fine"), adjustment);
    registerControl(kIdCoarse, coarse);
    registerControl(kIdFine, fine);
    steps->addButton(coarse);
    steps->addButton(fine);
    adjustmentLayout->addWidget(coarse);
    adjustmentLayout->addWidget(fine);
    connect(coarse, &QRadioButton::toggled, this, [this](bool on) {
        if (on) stepChosen(false);
    });
    connect(fine, &QRadioButton::toggled, this, [this](bool on) {
        if (on) stepChosen(true);
    });
    side->addWidget(adjustment);

    auto* zoom = new QHBoxLayout;
    auto* zoomIn = new QPushButton(QStringLiteral("+"), this);
    auto* zoomOut = new QPushButton(QStringLiteral("-"), this);
    auto* zoomText = new QLabel(this);
    zoomText->setAlignment(Qt::AlignCenter);
    for (QPushButton* button : {zoomIn, zoomOut}) {
        // Enter stays with OK.
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("+")) + 16);
    }
    registerControl(kIdZoomIn, zoomIn);
    registerControl(kIdZoomOut, zoomOut);
    registerControl(kIdZoomText, zoomText);
    zoom->addWidget(zoomOut);
    zoom->addWidget(zoomText, 1);
    zoom->addWidget(zoomIn);
    connect(zoomIn, &QPushButton::clicked, this, [this] { zoomChosen(true); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { zoomChosen(false); });
    side->addLayout(zoom);
    side->addStretch(1);
    QDialogButtonBox* buttons = makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel"));
    buttons->setOrientation(Qt::Vertical);
    side->addWidget(buttons);
    layout->addLayout(side);

    m_outline = new TravelOutline(this);
}

void CVariationsDlogHandler::setTexts() {
    const VariationsSetup& setup = m_logic->setup();
    setWindowTitle(text(setup.titleId, setup.title));
    for (int id = kThumbFirst; id <= kThumbLast; ++id) {
        const int labelId = id + kThumbLabelOffset;
        if (control(labelId) == nullptr) continue;
        const VariationsLabel label = id <= kThumbCurrentToo
                                          ? fixedLabel(labelId)
                                          : setup.labels[static_cast<std::size_t>(id - 1092)];
        if (label.id != 0) setString(labelId, text(label.id, label.text));
    }
}

CVariationCntl* CVariationsDlogHandler::thumbnail(int id) const {
    if (id < kThumbFirst || id > kThumbLast) return nullptr;
    return m_thumbnails[static_cast<std::size_t>(id - kThumbFirst)];
}

QRect CVariationsDlogHandler::windowRect(const QWidget* control) const {
    TS_ASSERT(control != nullptr);
    return QRect(control->mapTo(this, QPoint(0, 0)), control->size());
}

const std::array<QRect, 9>& CVariationsDlogHandler::lastOutlinePath() const {
    return m_outline->lastPath();
}

ErrorCode CVariationsDlogHandler::setUp() {
    const ErrorCode code = m_logic->begin();
    if (code != kErrNone) return code;
    renderAll();
    return kErrNone;
}

void CVariationsDlogHandler::renderThumbnail(int id) {
    drawThumbnail(m_logic->render(id));
}

void CVariationsDlogHandler::renderAll() {
    for (int id : renderOrder(m_logic->setup().dialogId)) renderThumbnail(id);
}

void CVariationsDlogHandler::drawThumbnail(const VariationsLogic::Thumbnail& thumb) {
    CVariationCntl* control = thumbnail(thumb.id);
    TS_ASSERT(control != nullptr);
    if (!thumb.enabled) {
        control->showBlank();
        return;
    }
    QImage picture(control->clientSize(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    const PageData& data = *m_page.pageData();
    const ImageData* state = thumb.showsBeforeChange ? data.previous() : data.current();
    if (m_renderer != nullptr && state != nullptr) {
        DrawTarget target;
        target.pixels = reinterpret_cast<std::uint32_t*>(picture.bits());
        target.strideBytes = picture.bytesPerLine();
        target.width = picture.width();
        target.height = picture.height();
        m_renderer->drawState(*state, thumb.imagePart, WideRect::from(thumb.viewPart), target,
                              thumb.drawFactor, thumb.drawMode);
    }
    control->showPicture(picture);
}

void CVariationsDlogHandler::showZoom() {
    setString(kIdZoomText, QString::fromStdString(m_logic->tracker().zoomText()));
}

void CVariationsDlogHandler::thumbnailClicked(int id) {
    if (!m_logic->active() || !m_logic->click(id)) return;
    CVariationCntl* from = thumbnail(id);
    CVariationCntl* to = thumbnail(kThumbCurrent);
    const QRect start = windowRect(from);
    const QRect end = windowRect(to);
    const std::array<Rect, 9> steps = outlinePath(
        Rect{start.left(), start.top(), start.left() + start.width(), start.top() + start.height()},
        Rect{end.left(), end.top(), end.left() + end.width(), end.top() + end.height()});
    std::array<QRect, TravelOutline::kPositions> path;
    for (std::size_t k = 0; k < path.size(); ++k)
        path[k] =
            QRect(QPoint(steps[k].left, steps[k].top), QSize(steps[k].width(), steps[k].height()));
    m_outline->travel(path);
    renderAll();
}

void CVariationsDlogHandler::thumbnailDragged(int id, int dx, int dy) {
    if (id != kThumbCurrent || !m_logic->active()) return;
    m_logic->tracker().scrollBy(dx, dy);
    m_scrolled = true;
    renderThumbnail(kThumbCurrent);
}

void CVariationsDlogHandler::thumbnailReleased(int id) {
    if (id != kThumbCurrent || !m_scrolled) return;
    m_scrolled = false;
    renderAll();
}

void CVariationsDlogHandler::stepChosen(bool fine) {
    if (m_logic->chooseFine(fine) && m_logic->active()) renderAll();
}

void CVariationsDlogHandler::zoomChosen(bool in) {
    ViewTracker& tracker = m_logic->tracker();
    if (!(in ? tracker.zoomIn() : tracker.zoomOut())) return;
    showZoom();
    if (m_logic->active()) renderAll();
}

bool CVariationsDlogHandler::discardPreviews() {
    PageData& data = *m_page.pageData();
    for (int plane = 0; plane < data.planeCount(); ++plane) {
        if (!data.sharePlane(plane, data, plane)) return false;
    }
    return true;
}

void CVariationsDlogHandler::accept() {
    if (m_logic->active()) {
        m_prefs.fine = m_logic->fine();
        m_prefs.zoom = m_logic->tracker().zoom();
        // The previews wrote into the change; the final run starts from the
        // state before it, so that no preview survives a run that leaves
        // pixels alone (Noise with an amount of 0).
        if (discardPreviews()) {
            // The dialog leaves the screen (and stops being modal) before the
            // final run: its progress window must show above everything and
            // take the Cancel click.
            hide();
            double zoom = m_prefs.zoom;
            bool fine = m_prefs.fine;
            m_finalCode = m_logic->ok(zoom, fine);
        } else {
            m_logic->cancel();
            m_finalCode = kErrDisk;
        }
    }
    OurDlogHandlerBase::accept();
}

void CVariationsDlogHandler::reject() {
    m_logic->cancel();
    OurDlogHandlerBase::reject();
}

// --- The five dialogs ------------------------------------------------------

CBlurShrpDlogHandler::CBlurShrpDlogHandler(Page& page, const EffectContext& effect,
                                           VariationsPrefs& prefs, const PageDraw* sharedRenderer,
                                           QWidget* parent)
    : CVariationsDlogHandler(VariationsKind::BlurSharpen, page, effect, prefs, sharedRenderer,
                             parent) {}

CDespeckleDlogHandler::CDespeckleDlogHandler(Page& page, const EffectContext& effect,
                                             VariationsPrefs& prefs, const PageDraw* sharedRenderer,
                                             QWidget* parent)
    : CVariationsDlogHandler(VariationsKind::Despeckle, page, effect, prefs, sharedRenderer,
                             parent) {}

CNoiseDlogHandler::CNoiseDlogHandler(Page& page, const EffectContext& effect,
                                     VariationsPrefs& prefs, const PageDraw* sharedRenderer,
                                     QWidget* parent)
    : CVariationsDlogHandler(VariationsKind::Noise, page, effect, prefs, sharedRenderer, parent) {}

CBriConDlogHandler::CBriConDlogHandler(Page& page, const EffectContext& effect,
                                       VariationsPrefs& prefs, const PageDraw* sharedRenderer,
                                       QWidget* parent)
    : CVariationsDlogHandler(VariationsKind::BrightnessContrast, page, effect, prefs,
                             sharedRenderer, parent) {}

CColorTintDlogHandler::CColorTintDlogHandler(Page& page, const EffectContext& effect,
                                             VariationsPrefs& prefs, const PageDraw* sharedRenderer,
                                             QWidget* parent)
    : CVariationsDlogHandler(VariationsKind::ColorVariations, page, effect, prefs, sharedRenderer,
                             parent) {}

std::unique_ptr<CVariationsDlogHandler> makeVariationsDlog(VariationsKind kind, Page& page,
                                                           const EffectContext& effect,
                                                           VariationsPrefs& prefs,
                                                           const PageDraw* sharedRenderer,
                                                           QWidget* parent) {
    switch (kind) {
        case VariationsKind::BlurSharpen:
            return std::make_unique<CBlurShrpDlogHandler>(page, effect, prefs, sharedRenderer,
                                                          parent);
        case VariationsKind::Despeckle:
            return std::make_unique<CDespeckleDlogHandler>(page, effect, prefs, sharedRenderer,
                                                           parent);
        case VariationsKind::Noise:
            return std::make_unique<CNoiseDlogHandler>(page, effect, prefs, sharedRenderer, parent);
        case VariationsKind::BrightnessContrast:
            return std::make_unique<CBriConDlogHandler>(page, effect, prefs, sharedRenderer,
                                                        parent);
        case VariationsKind::ColorVariations:
            return std::make_unique<CColorTintDlogHandler>(page, effect, prefs, sharedRenderer,
                                                           parent);
    }
    return nullptr;
}

// --- The launcher ----------------------------------------------------------

DialogCommandResult CVariationsDlog::run(VariationsKind kind, Page& page,
                                         const EffectContext& effect, ShellContext& shell,
                                         QWidget* parent) {
    VariationsPrefs unkept;
    VariationsPrefs& prefs =
        shell.globals != nullptr ? shell.globals->preferences().variations : unkept;
    const Rect target = standardTarget(page).rect;
    std::unique_ptr<CVariationsDlogHandler> dialog =
        makeVariationsDlog(kind, page, effect, prefs, shell.renderer, parent);

    DialogCommandResult result;
    result.code = dialog->setUp();
    if (result.code != kErrNone) return result;
    if (dialog->exec() != QDialog::Accepted) {
        result.cancelled = true;
        return result;
    }
    result.code = dialog->finalCode();
    if (result.code == kErrCancelled) {
        result.code = kErrNone;
        result.cancelled = true;
    } else if (result.code == kErrNone) {
        result.repaint = target;
    }
    return result;
}

}  // namespace tessary
