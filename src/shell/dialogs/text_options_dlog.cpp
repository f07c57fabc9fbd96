#include "shell/dialogs/text_options_dlog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextOption>
#include <QVBoxLayout>
#include <array>

#include "app/string_table.h"
#include "text/qt_text_rasterizer.h"
#include "tools/edit/text_tool.h"

namespace tessary {

namespace {

// Strings 1003 ... 1010 list the offered sizes ("6" ... "36").
constexpr int kFirstSizeString = 1003;
constexpr int kLastSizeString = 1010;

// Each style check box and its flag.
struct StyleBox {
    int id;
    std::int32_t flag;
    const char* caption;
};
constexpr std::array<StyleBox, 5> kStyleBoxes = {{
    {CTextOptionsDlog::kIdBold, TextTool::kBold, "Bold"},
    {CTextOptionsDlog::kIdItalic, TextTool::kItalic, "Italic"},
    {CTextOptionsDlog::kIdUnderline, TextTool::kUnderline, "Underline"},
    {CTextOptionsDlog::kIdCondense, TextTool::kCondense, "Condense"},
    {CTextOptionsDlog::kIdExpand, TextTool::kExpand, "Expand"},
}};

QString& sharedSampleText() {
    static QString text;
    return text;
}

}  // namespace

QString textOptionsSampleText() {
    return sharedSampleText();
}

void setTextOptionsSampleText(const QString& text) {
    sharedSampleText() = text.left(static_cast<int>(TextTool::kMaxTextChars));
}

CTextOptionsDlog::CTextOptionsDlog(TextTool& tool, QWidget* parent)
    : OurDlogHandlerBase(parent), m_tool(tool) {
    setWindowTitle(QStringLiteral("Text Options"));

    // --- Controls --------------------------------------------------------
    auto* fontBox = new QComboBox(this);
    auto* sizeBox = new QComboBox(this);
    sizeBox->setEditable(true);
    sizeBox->setInsertPolicy(QComboBox::NoInsert);
    sizeBox->lineEdit()->setMaxLength(kSizeChars);
    registerControl(kIdFont, fontBox);
    registerControl(kIdSize, sizeBox);

    auto* styleGroup = new QGroupBox(QStringLiteral("Style"), this);
    auto* styleLayout = new QVBoxLayout(styleGroup);
    auto* plain = new QCheckBox(QStringLiteral("Plain"), this);
    registerControl(kIdPlain, plain);
    styleLayout->addWidget(plain);
    for (const StyleBox& style : kStyleBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(style.caption), this);
        registerControl(style.id, box);
        styleLayout->addWidget(box);
    }

    auto* alignGroup = new QGroupBox(QStringLiteral("Alignment"), this);
    auto* alignLayout = new QVBoxLayout(alignGroup);
    auto* alignButtons = new QButtonGroup(this);
    const std::array<std::pair<int, QString>, 3> aligns = {{
        {kIdAlignLeft, QStringLiteral("Align Left")},
        {kIdAlignCenter, QStringLiteral("Align Center")},
        {kIdAlignRight, QStringLiteral("Align Right")},
    }};
    for (const auto& [id, caption] : aligns) {
        auto* radio = new QRadioButton(caption, this);
        registerControl(id, radio);
        alignButtons->addButton(radio, id);
        alignLayout->addWidget(radio);
    }
    alignLayout->addStretch(1);

    auto* sampleGroup = new QGroupBox(QStringLiteral("Sample"), this);
    auto* sample = new QPlainTextEdit(this);
    sample->setMinimumSize(320, 96);
    registerControl(kIdSample, sample);
    auto* sampleLayout = new QVBoxLayout(sampleGroup);
    sampleLayout->addWidget(sample);

    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(new QLabel(QStringLiteral("Font:"), this));
    fontRow->addWidget(fontBox, 1);
    fontRow->addWidget(new QLabel(QStringLiteral("Size:"), this));
    fontRow->addWidget(sizeBox);
    auto* groups = new QHBoxLayout;
    groups->addWidget(styleGroup);
    groups->addWidget(alignGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fontRow);
    layout->addLayout(groups);
    layout->addWidget(sampleGroup, 1);
    layout->addWidget(makeButtons(QStringLiteral("Set"), QStringLiteral("Cancel")));

    // --- Contents: the tool's style, alignment and the shared text ---------
    const std::int32_t flags = m_tool.styleFlags();
    setCheck(kIdPlain, flags == 0);
    for (const StyleBox& style : kStyleBoxes) setCheck(style.id, (flags & style.flag) != 0);
    switch (m_tool.alignment()) {
        case TextTool::kAlignCentre:
            setCheck(kIdAlignCenter, true);
            break;
        case TextTool::kAlignRight:
            setCheck(kIdAlignRight, true);
            break;
        default:
            setCheck(kIdAlignLeft, true);
            break;
    }

    m_description.weight = (flags & TextTool::kBold) != 0 ? TextFontDescription::kBoldWeight
                                                          : TextFontDescription::kNormalWeight;
    m_description.italic = (flags & TextTool::kItalic) != 0;
    m_description.underline = (flags & TextTool::kUnderline) != 0;
    const bool condense = (flags & TextTool::kCondense) != 0;
    const bool expand = (flags & TextTool::kExpand) != 0;
    m_description.width = condense ? TextFontDescription::kCondensedWidth
                          : expand ? TextFontDescription::kExpandedWidth
                                   : 0;

    for (const QString& family : QFontDatabase::families()) appendString(kIdFont, family);
    const int fontIndex =
        fontBox->findText(installedTypeface(QString::fromStdString(m_tool.typeface())));
    setSelectedIndex(kIdFont, fontIndex >= 0 ? fontIndex : (entryCount(kIdFont) > 0 ? 0 : -1));
    m_description.faceName = fontBox->currentText();

    for (int id = kFirstSizeString; id <= kLastSizeString; ++id)
        appendString(kIdSize, QString::fromStdString(loadString(id)));
    const int size = m_tool.size() > 0 ? m_tool.size() : TextTool::kDefaultSize;
    const int sizeIndex = sizeBox->findText(QString::number(size));
    if (sizeIndex >= 0) {
        setSelectedIndex(kIdSize, sizeIndex);
    } else {
        const QSignalBlocker quiet(sizeBox);
        sizeBox->setEditText(QString::number(size).left(kSizeChars));
    }
    m_description.height = -size;

    sample->setPlainText(textOptionsSampleText());
    sample->selectAll();
    sample->setFocus();
    alignmentChosen();
    showSampleFont();

    // --- Reactions ---------------------------------------------------------
    for (const StyleBox& style : kStyleBoxes)
        connect(controlAs<QCheckBox>(style.id), &QCheckBox::toggled, this,
                &CTextOptionsDlog::styleToggled);
    connect(plain, &QCheckBox::clicked, this, &CTextOptionsDlog::plainClicked);
    connect(fontBox, &QComboBox::currentIndexChanged, this, &CTextOptionsDlog::fontChosen);
    connect(sizeBox, &QComboBox::currentTextChanged, this, &CTextOptionsDlog::sizeEdited);
    connect(alignButtons, &QButtonGroup::idClicked, this, &CTextOptionsDlog::alignmentChosen);
    connect(sample, &QPlainTextEdit::textChanged, this, &CTextOptionsDlog::limitSample);
}

std::int32_t CTextOptionsDlog::styleFlags() const {
    if (isChecked(kIdPlain)) return 0;
    std::int32_t flags = 0;
    for (const StyleBox& style : kStyleBoxes)
        if (isChecked(style.id)) flags |= style.flag;
    return flags;
}

std::int32_t CTextOptionsDlog::alignment() const {
    if (isChecked(kIdAlignCenter)) return TextTool::kAlignCentre;
    if (isChecked(kIdAlignRight)) return TextTool::kAlignRight;
    return TextTool::kAlignLeft;
}

QString CTextOptionsDlog::sampleText() const {
    return controlAs<QPlainTextEdit>(kIdSample)->toPlainText();
}

void CTextOptionsDlog::styleToggled() {
    std::int32_t flags = 0;
    for (const StyleBox& style : kStyleBoxes)
        if (isChecked(style.id)) flags |= style.flag;
    setCheck(kIdPlain, flags == 0);
    m_description.weight = (flags & TextTool::kBold) != 0 ? TextFontDescription::kBoldWeight
                                                          : TextFontDescription::kNormalWeight;
    m_description.italic = (flags & TextTool::kItalic) != 0;
    m_description.underline = (flags & TextTool::kUnderline) != 0;
    const bool condense = (flags & TextTool::kCondense) != 0;
    const bool expand = (flags & TextTool::kExpand) != 0;
    m_description.width = condense == expand ? 0
                          : condense         ? TextFontDescription::kCondensedWidth
                                             : TextFontDescription::kExpandedWidth;
    showSampleFont();
}

void CTextOptionsDlog::plainClicked(bool checked) {
    // Plain cannot be turned off by itself: it goes off when a style is
    // chosen. Checking it clears every style.
    if (!checked) {
        setCheck(kIdPlain, true);
        return;
    }
    for (const StyleBox& style : kStyleBoxes) setCheck(style.id, false);
    m_description.weight = TextFontDescription::kNormalWeight;
    m_description.width = 0;
    m_description.italic = false;
    m_description.underline = false;
    showSampleFont();
}

void CTextOptionsDlog::fontChosen() {
    m_description.faceName = getString(kIdFont);
    showSampleFont();
}

void CTextOptionsDlog::sizeEdited(const QString& text) {
    bool ok = false;
    const int size = static_cast<int>(parseLeadingNumber(text, &ok));
    if (!ok || size < 1) return;  // keep the last usable size
    m_description.height = -size;
    showSampleFont();
}

void CTextOptionsDlog::alignmentChosen() {
    auto* sample = controlAs<QPlainTextEdit>(kIdSample);
    Qt::Alignment align = Qt::AlignLeft;
    if (alignment() == TextTool::kAlignCentre) align = Qt::AlignHCenter;
    if (alignment() == TextTool::kAlignRight) align = Qt::AlignRight;
    QTextOption option = sample->document()->defaultTextOption();
    option.setAlignment(align);
    sample->document()->setDefaultTextOption(option);
}

void CTextOptionsDlog::limitSample() {
    auto* sample = controlAs<QPlainTextEdit>(kIdSample);
    const int limit = static_cast<int>(TextTool::kMaxTextChars);
    const QString text = sample->toPlainText();
    if (text.size() <= limit) return;
    const QSignalBlocker quiet(sample);
    sample->setPlainText(text.left(limit));
    sample->moveCursor(QTextCursor::End);
}

void CTextOptionsDlog::showSampleFont() {
    std::int32_t flags = 0;
    if (m_description.weight >= TextFontDescription::kBoldWeight) flags |= TextTool::kBold;
    if (m_description.italic) flags |= TextTool::kItalic;
    if (m_description.underline) flags |= TextTool::kUnderline;
    if (m_description.width == TextFontDescription::kCondensedWidth) flags |= TextTool::kCondense;
    if (m_description.width == TextFontDescription::kExpandedWidth) flags |= TextTool::kExpand;
    QFont font = textFontFor(m_description.faceName, flags);
    font.setPointSize(-m_description.height);
    controlAs<QPlainTextEdit>(kIdSample)->setFont(font);
}

void CTextOptionsDlog::accept() {
    const QString text = sampleText();
    m_lineStarts.clear();
    m_lineStarts.push_back(0);
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\n')) m_lineStarts.push_back(i + 1);

    m_tool.setStyleFlags(styleFlags());
    m_tool.setSize(-m_description.height);
    m_tool.setTypeface(m_description.faceName.toStdString());
    m_tool.setAlignment(alignment());
    m_tool.setText(text.toStdString());
    setTextOptionsSampleText(text);
    OurDlogHandlerBase::accept();
}

bool runTextOptionsDlog(TextTool& tool, QWidget* parent) {
    CTextOptionsDlog dialog(tool, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tessary
