#include "tools/edit/text_tool.h"

#include <utility>

#include "app/tool_box_prefs.h"

namespace tessary {
namespace {
// The typeface field holds 32 characters with its terminator.
constexpr std::size_t kTypefaceChars = 31;
}  // namespace

TextTool::TextTool(ToolGlobals& globals) : Tool(globals) {
    initialise();
}

void TextTool::initialise() {
    setAll(16, 3);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void TextTool::loadOptions(const ToolBoxPrefs* record) {
    if (record == nullptr) {
        m_styleFlags = 0;
        m_size = kDefaultSize;
        m_alignment = kAlignLeft;
        return;
    }
    m_styleFlags = record->toolWord28;
    m_size = record->toolWord29;
    m_alignment = record->toolWord31;
}

void TextTool::storeOptions(ToolBoxPrefs& record) const {
    record.toolWord28 = m_styleFlags;
    record.toolWord29 = m_size;
    record.toolWord31 = m_alignment;
}

void TextTool::setTypeface(std::string name) {
    if (name.size() > kTypefaceChars) name.resize(kTypefaceChars);
    m_typeface = std::move(name);
}

}  // namespace tessary
