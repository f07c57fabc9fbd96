#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tool.h"

namespace tessary {

// Places text as a floating selection (action 16).
//
// A press asks the view for the Text Options (ToolView::askTextOptions);
// when the user sets them, the text is split into lines at carriage returns
// and line feeds and drawn by the view's TextRasterizer (N times larger with
// anti-aliasing, N the global subsample count). The block's top-left corner
// lies at the press point, each line aligned within it; the part inside the
// image replaces the selection in one change (undo kind 25, "Text"): a new
// floating selection whose mask is the text's coverage and whose floating
// planes hold the foreground colour (its grey on a grey page). Coverage is
// 255 where the text is drawn without anti-aliasing (the opacity is not
// used), and count x opacity / N^2 of the N x N cell with it.
//
// Cancelling the dialog, a view that cannot draw text, or a block wholly
// outside the image does nothing. Failures return kErrDisk (no change, a
// plane not written) or kErrMemory (no rasteriser bitmap or buffers) with
// the page as before the press.
class TextTool final : public Tool {
public:
    // Style flags.
    static constexpr std::int32_t kBold = 1;
    static constexpr std::int32_t kItalic = 2;
    static constexpr std::int32_t kUnderline = 4;
    static constexpr std::int32_t kCondense = 32;
    static constexpr std::int32_t kExpand = 64;
    // Alignments.
    static constexpr std::int32_t kAlignLeft = 0;
    static constexpr std::int32_t kAlignCentre = 1;
    static constexpr std::int32_t kAlignRight = 2;
    static constexpr std::int32_t kDefaultSize = 12;
    static constexpr std::uint32_t kUndoKind = 25;
    // The text keeps at most this many characters, so it has at most
    // kMaxTextChars + 1 lines.
    static constexpr std::size_t kMaxTextChars = 255;

    explicit TextTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;

    // Record words 28 (style flags), 29 (size in points) and 31 (alignment);
    // no record: plain, 12 points, left. The typeface is not kept there.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    std::int32_t styleFlags() const { return m_styleFlags; }
    void setStyleFlags(std::int32_t flags) { m_styleFlags = flags; }
    std::int32_t size() const { return m_size; }
    void setSize(std::int32_t size) { m_size = size; }
    std::int32_t alignment() const { return m_alignment; }
    void setAlignment(std::int32_t alignment) { m_alignment = alignment; }
    // At most 31 characters are kept.
    const std::string& typeface() const { return m_typeface; }
    void setTypeface(std::string name);
    // The text to place (the Text Options' sample); at most 255 characters
    // are kept.
    const std::string& text() const { return m_text; }
    void setText(std::string text);

    // `text` split at carriage return, line feed, or the pair of them: n
    // breaks give n + 1 lines.
    static std::vector<std::string> splitLines(std::string_view text);

private:
    std::int32_t m_styleFlags = 0;
    std::int32_t m_size = kDefaultSize;
    std::int32_t m_alignment = kAlignLeft;
    std::string m_typeface;
    std::string m_text;
};

}  // namespace tessary
