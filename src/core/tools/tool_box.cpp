#include "tools/tool_box.h"

#include "model/page.h"
#include "tools/edit/bucket_tool.h"
#include "tools/edit/crop_tool.h"
#include "tools/edit/gradient_tool.h"
#include "tools/edit/line_tool.h"
#include "tools/edit/text_tool.h"
#include "tools/navigation/hand_tool.h"
#include "tools/navigation/magnify_tool.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/paint/dropper_tool.h"
#include "tools/paint/eraser_tool.h"
#include "tools/paint/pencil_tool.h"
#include "tools/selection/arrow_tool.h"
#include "tools/selection/lasso_tool.h"
#include "tools/selection/selection_tool.h"
#include "tools/selection/wand_tool.h"

namespace tessary {

ToolBox::ToolBox(ToolGlobals& globals) {
    m_tools[kArrow] = std::make_unique<ArrowTool>(globals);
    m_tools[kDropper] = std::make_unique<DropperTool>(globals);
    m_tools[kHand] = std::make_unique<HandTool>(globals);
    m_tools[kMagnify] = std::make_unique<MagnifyTool>(globals);
    m_tools[kSelection] = std::make_unique<SelectionTool>(globals);
    m_tools[kCrop] = std::make_unique<CropTool>(globals);
    m_tools[kLasso] = std::make_unique<LassoTool>(globals);
    m_tools[kWand] = std::make_unique<WandTool>(globals);
    m_tools[kPencil] = std::make_unique<PencilTool>(globals);
    m_tools[kEraser] = std::make_unique<EraserTool>(globals);
    m_tools[kBrush] = std::make_unique<BrushTool>(globals);
    m_tools[kClone] = std::make_unique<CloneTool>(globals);
    m_tools[kLine] = std::make_unique<LineTool>(globals);
    m_tools[kBucket] = std::make_unique<BucketTool>(globals);
    m_tools[kGradient] = std::make_unique<GradientTool>(globals);
    m_tools[kText] = std::make_unique<TextTool>(globals);
}

ToolBox::~ToolBox() = default;

Tool* ToolBox::tool(int index) const {
    if (index < 1 || index > kToolCount) return nullptr;
    return m_tools[static_cast<std::size_t>(index)].get();
}

void ToolBox::setCurrentIndex(int index) {
    m_current = index >= 1 && index <= kToolCount ? index : kNone;
}

void ToolBox::loadOptions(const ToolBoxPrefs* record) {
    for (int i = 1; i <= kToolCount; ++i) tool(i)->loadOptions(record);
}

void ToolBox::storeOptions(ToolBoxPrefs& record) const {
    for (int i = 1; i <= kToolCount; ++i) tool(i)->storeOptions(record);
}

void ToolBox::releaseResources() {
    for (int i = 1; i <= kToolCount; ++i) tool(i)->releaseResources();
}

int ToolBox::performerOf(std::int32_t action) {
    switch (action) {
        case 1:
            return kArrow;
        case 2:
            return kDropper;
        case 3:
            return kHand;
        case 4:
        case 21:
            return kSelection;
        case 5:
            return kLasso;
        case 6:
            return kWand;
        case 7:
        case 8:
            return kCrop;
        case 9:
            return kPencil;
        case 10:
            return kEraser;
        case 11:
            return kBrush;
        case 12:
        case 13:
            return kClone;
        case 14:
            return kBucket;
        case 15:
            return kGradient;
        case 16:
            return kText;
        case 17:
        case 18:
        case 19:
            return kMagnify;
        case 20:
            return kLine;
        default:
            return kNone;
    }
}

ErrorCode ToolBox::mouseDown(ToolEvent& event) {
    const Tool* current = currentTool();
    if (current == nullptr) return kErrNone;
    event.action = current->actionForMask(modifierMask(event));
    Tool* performer = tool(performerOf(event.action));
    if (performer == nullptr) return kErrNone;
    return performer->mouseDown(event);
}

ErrorCode ToolBox::pressOnPage(ToolEvent& event) {
    if (event.page != nullptr) {
        const Page& page = *event.page;
        event.insideSelection = page.isSelected(event.imagePoint.x, event.imagePoint.y);
        event.insideFloat = event.insideSelection && page.hasFloat();
    }
    if (m_current == kNone) return kErrNone;
    return mouseDown(event);
}

std::int32_t ToolBox::cursorFor(int mask) const {
    const Tool* current = currentTool();
    return current == nullptr ? 0 : current->cursorForMask(mask);
}

}  // namespace tessary
