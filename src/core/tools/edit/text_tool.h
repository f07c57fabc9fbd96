#pragma once

#include <cstdint>
#include <string>

#include "tools/tool.h"

namespace tessary {

// Places text as a floating selection (action 16). The press itself does
// nothing yet.
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

    explicit TextTool(ToolGlobals& globals);
    void initialise() override;

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

private:
    std::int32_t m_styleFlags = 0;
    std::int32_t m_size = kDefaultSize;
    std::int32_t m_alignment = kAlignLeft;
    std::string m_typeface;
};

}  // namespace tessary
