#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <vector>

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class TextTool;

// The parts of a logical font description the Text Options dialog edits:
// height (the negative of the size in points), width (0 normal, 5
// condensed, 30 expanded), weight (400 normal, 700 bold), italic, underline
// and the face name.
struct TextFontDescription {
    static constexpr std::int32_t kNormalWeight = 400;
    static constexpr std::int32_t kBoldWeight = 700;
    static constexpr std::int32_t kCondensedWidth = 5;
    static constexpr std::int32_t kExpandedWidth = 30;

    std::int32_t height = -12;
    std::int32_t width = 0;
    std::int32_t weight = kNormalWeight;
    bool italic = false;
    bool underline = false;
    QString faceName;
};

// The text the Text Options dialog starts with: the sample of its last
// "Set", shared by the whole application (empty at start).
QString textOptionsSampleText();
void setTextOptionsSampleText(const QString& text);

// The Text Options dialog (dialog 152): typeface, size, style, alignment and
// the text itself, shown in a sample edit in the chosen font. The text
// tool's values fill it; "Set" writes style flags, size, typeface,
// alignment and text into the tool and keeps the text for the next run;
// "Cancel" leaves the tool as it was.
class CTextOptionsDlog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdFont = 1044;
    static constexpr int kIdSize = 1045;
    static constexpr int kIdBold = 1046;
    static constexpr int kIdItalic = 1047;
    static constexpr int kIdUnderline = 1048;
    static constexpr int kIdAlignLeft = 1053;
    static constexpr int kIdAlignCenter = 1054;
    static constexpr int kIdAlignRight = 1055;
    static constexpr int kIdPlain = 1056;
    static constexpr int kIdCondense = 1064;
    static constexpr int kIdExpand = 1065;
    static constexpr int kIdSample = 1066;
    // The size box takes at most this many characters.
    static constexpr int kSizeChars = 2;

    explicit CTextOptionsDlog(TextTool& tool, QWidget* parent = nullptr);

    const TextFontDescription& description() const { return m_description; }
    // The style flags the check boxes give (0 when Plain is checked).
    std::int32_t styleFlags() const;
    // 0 left, 1 centre, 2 right.
    std::int32_t alignment() const;
    // The sample's text and, after "Set", where each of its lines starts
    // (character offsets; lines end at a line break).
    QString sampleText() const;
    const std::vector<int>& lineStarts() const { return m_lineStarts; }

    void accept() override;

private:
    void styleToggled();
    void plainClicked(bool checked);
    void fontChosen();
    void sizeEdited(const QString& text);
    void alignmentChosen();
    void limitSample();
    void showSampleFont();

    TextTool& m_tool;
    TextFontDescription m_description;
    std::vector<int> m_lineStarts;
};

// Runs the dialog modally on `tool`; true when "Set" wrote the tool.
bool runTextOptionsDlog(TextTool& tool, QWidget* parent);

}  // namespace tessary
