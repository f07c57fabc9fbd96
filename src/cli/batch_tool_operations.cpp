#include "cli/batch_tool_operations.h"

#include <algorithm>
#include <utility>

#include "app/tool_globals.h"
#include "cli/batch_text.h"
#include "platform/assert.h"
#include "tools/edit/line_tool.h"
#include "tools/edit/text_tool.h"
#include "tools/paint/brush_shapes.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/scripted_tool_view.h"
#include "tools/selection/selection_tool.h"
#include "tools/tool_box.h"
#include "tools/tool_event.h"

namespace tessary {
namespace {

struct ToolTableEntry {
    BatchOperationInfo info;
    BatchToolOp op;
};

const std::vector<ToolTableEntry>& toolEntries() {
    static const std::vector<ToolTableEntry> table = {
        {{"tool", "tool=NAME[,KEY...],X1,Y1[,X2,Y2...]",
          "Press tool NAME at X1,Y1 (image pixels), drag through the further points and release "
          "at the last, as at 1:1 in the editor. KEY shift, alt, ctrl or space is held (alt: the "
          "brush, pencil and eraser pick a colour, the clone tool sets its source; shift and ctrl "
          "make the selection, lasso and wand add to or take from the selection). NAME arrow, "
          "dropper, hand, magnify, selection (or rectangle), crop, lasso, wand, pencil, eraser, "
          "brush, clone, line, bucket, gradient, text"},
         BatchToolOp::Press},
        {{"brush-options", "brush-options=W,H,THICKNESS,CLASS,PROFILE[,SPACING]",
          "The brush tool's dab: W x H and THICKNESS (classes 3, 4) 1 ... 255; CLASS 0 "
          "rectangle, 1 ellipse, 2 diamond, 3 falling band, 4 rising band; PROFILE 0 hard, "
          "1 ... 15 soft; SPACING 0 ... 1000 % of the dab (kept when left out)"},
         BatchToolOp::BrushOptions},
        {{"clone-options", "clone-options=W,H,THICKNESS,CLASS,PROFILE[,SPACING]",
          "The clone tool's dab, as brush-options"},
         BatchToolOp::CloneOptions},
        {{"brush-shape", "brush-shape=N,SIZE",
          "The brush tool's dab from shape button N (1 ... 24, as the brush options dialog "
          "numbers them) at SIZE 1 ... 32"},
         BatchToolOp::BrushShape},
        {{"anti-alias", "anti-alias=on|off",
          "The palette's anti-alias switch (selection, line and text tools)"},
         BatchToolOp::AntiAlias},
        {{"selection-shape", "selection-shape=rectangle|ellipse",
          "The shape the selection tool draws (rectangle until set)"},
         BatchToolOp::SelectionShape},
        {{"line-width", "line-width=N", "The line tool's width, 1 ... 32 pixels"},
         BatchToolOp::LineWidth},
        {{"text", "text=TEXT[,font=NAME][,size=N][,style=S][,align=A]",
          "The text tool's options: TEXT (\\n breaks a line, at most 255 characters), font "
          "NAME (at most 31 characters), size 1 ... 99 points, style plain or words joined by "
          "+ (bold, italic, underline, condense, expand), align left, centre or right; "
          "tool=text,X,Y then places it with its top left at (X, Y), drawn with the system's "
          "fonts"},
         BatchToolOp::TextOptions},
    };
    return table;
}

constexpr std::pair<std::string_view, int> kToolNames[] = {
    {"arrow", ToolBox::kArrow},         {"dropper", ToolBox::kDropper},
    {"hand", ToolBox::kHand},           {"magnify", ToolBox::kMagnify},
    {"selection", ToolBox::kSelection}, {"rectangle", ToolBox::kSelection},
    {"crop", ToolBox::kCrop},           {"lasso", ToolBox::kLasso},
    {"wand", ToolBox::kWand},           {"pencil", ToolBox::kPencil},
    {"eraser", ToolBox::kEraser},       {"brush", ToolBox::kBrush},
    {"clone", ToolBox::kClone},         {"line", ToolBox::kLine},
    {"bucket", ToolBox::kBucket},       {"gradient", ToolBox::kGradient},
    {"text", ToolBox::kText},
};

// Sets the key named `word` in `command`; false when `word` names no key.
bool setKey(std::string_view word, BatchToolCommand& command) {
    bool* const keys[] = {&command.shift, &command.alt, &command.ctrl, &command.space};
    constexpr std::string_view kKeyNames[] = {"shift", "alt", "ctrl", "space"};
    for (std::size_t i = 0; i < std::size(kKeyNames); ++i) {
        if (word == kKeyNames[i]) {
            *keys[i] = true;
            return true;
        }
    }
    return false;
}

// `field` as a whole number in [lo, hi] into `out`; otherwise false with a
// message naming the parameter (`what`) and its range.
bool checkedInteger(const BatchStep& step, const std::string& field, const std::string& what,
                    std::int32_t lo, std::int32_t hi, std::int32_t& out, std::string& error) {
    const auto value = parseInteger(field);
    if (!value || *value < lo || *value > hi) {
        error = "'" + step.text + "': " + what + " ('" + field + "') must be a whole number from " +
                std::to_string(lo) + " to " + std::to_string(hi);
        return false;
    }
    out = *value;
    return true;
}

bool preparePress(const BatchStep& step, const std::vector<std::string>& fields,
                  BatchToolCommand& command, std::string& error) {
    command.tool = batchToolIndex(fields[0]);
    if (command.tool == 0) {
        error = "'" + step.text + "': unknown tool '" + fields[0] +
                "' (arrow, dropper, hand, magnify, selection, rectangle, crop, lasso, wand, "
                "pencil, eraser, brush, clone, line, bucket, gradient, text)";
        return false;
    }
    if (command.tool == ToolBox::kText && !batchCanPlaceText()) {
        error = "'" + step.text + "': text needs the editor's fonts";
        return false;
    }
    std::size_t first = 1;
    while (first < fields.size() && setKey(fields[first], command)) ++first;
    if (first == fields.size()) {
        error = "'" + step.text + "': give the press point (tool=NAME,X,Y,...)";
        return false;
    }
    for (std::size_t i = first; i < fields.size(); ++i) {
        if (fields[i] == "shift" || fields[i] == "alt" || fields[i] == "ctrl" ||
            fields[i] == "space") {
            error =
                "'" + step.text + "': the keys (shift, alt, ctrl, space) come before the points";
            return false;
        }
    }
    if ((fields.size() - first) % 2 != 0) {
        error = "'" + step.text + "': every point needs an x and a y";
        return false;
    }
    for (std::size_t i = first; i < fields.size(); i += 2) {
        const std::string number = std::to_string((i - first) / 2 + 1);
        ToolPoint point;
        if (!checkedInteger(step, fields[i], "x of point " + number, -kMaxToolCoordinate,
                            kMaxToolCoordinate, point.x, error) ||
            !checkedInteger(step, fields[i + 1], "y of point " + number, -kMaxToolCoordinate,
                            kMaxToolCoordinate, point.y, error))
            return false;
        command.points.push_back(point);
    }
    return true;
}

bool prepareBrushOptions(const BatchStep& step, const std::vector<std::string>& fields,
                         BatchToolCommand& command, std::string& error) {
    struct Parameter {
        const char* name;
        std::int32_t lo;
        std::int32_t hi;
        std::int32_t BrushOptions::*member;
    };
    static const Parameter kParameters[] = {
        {"width", 1, 255, &BrushOptions::width},
        {"height", 1, 255, &BrushOptions::height},
        {"thickness", 1, 255, &BrushOptions::thickness},
        {"class", 0, 4, &BrushOptions::shapeClass},
        {"profile", 0, 15, &BrushOptions::profile},
        {"spacing", 0, 1000, &BrushOptions::spacingPercent},
    };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Parameter& p = kParameters[i];
        if (!checkedInteger(step, fields[i], p.name, p.lo, p.hi, command.brush.*p.member, error))
            return false;
    }
    command.hasSpacing = fields.size() == 6;
    return true;
}

// The style word `word` as its flag, or 0 for none.
std::int32_t styleFlag(std::string_view word) {
    constexpr std::pair<std::string_view, std::int32_t> kStyles[] = {
        {"bold", TextTool::kBold},           {"italic", TextTool::kItalic},
        {"underline", TextTool::kUnderline}, {"condense", TextTool::kCondense},
        {"expand", TextTool::kExpand},
    };
    for (const auto& [name, flag] : kStyles) {
        if (name == word) return flag;
    }
    return 0;
}

// TEXT with each backslash-n turned into a line feed.
std::string unescapedText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out.push_back('\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool prepareTextOptions(const BatchStep& step, const std::vector<std::string>& fields,
                        BatchToolCommand& command, std::string& error) {
    command.text = unescapedText(fields[0]);
    if (command.text.size() > TextTool::kMaxTextChars) {
        error = "'" + step.text + "': the text holds at most 255 characters";
        return false;
    }
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        const auto equals = field.find('=');
        const std::string key = field.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : field.substr(equals + 1);
        if (key == "font" && equals != std::string::npos && !value.empty() && value.size() <= 31) {
            command.typeface = value;
        } else if (key == "size") {
            std::int32_t size = 0;
            if (!checkedInteger(step, value, "size", 1, 99, size, error)) return false;
            command.textSize = size;
        } else if (key == "style") {
            std::int32_t flags = 0;
            if (value != "plain") {
                std::size_t from = 0;
                while (from <= value.size()) {
                    const auto plus = value.find('+', from);
                    const std::string word = value.substr(
                        from, plus == std::string::npos ? std::string::npos : plus - from);
                    const std::int32_t flag = styleFlag(word);
                    if (flag == 0) {
                        error = "'" + step.text + "': style '" + value +
                                "' is plain or words joined by + (bold, italic, underline, "
                                "condense, expand)";
                        return false;
                    }
                    flags |= flag;
                    if (plus == std::string::npos) break;
                    from = plus + 1;
                }
            }
            command.textStyle = flags;
        } else if (key == "align") {
            if (value == "left") {
                command.alignment = TextTool::kAlignLeft;
            } else if (value == "centre" || value == "center") {
                command.alignment = TextTool::kAlignCentre;
            } else if (value == "right") {
                command.alignment = TextTool::kAlignRight;
            } else {
                error = "'" + step.text + "': align is left, centre or right";
                return false;
            }
        } else {
            error = "'" + step.text + "': '" + field +
                    "' is none of font=NAME (1 ... 31 characters), size=N, style=S, align=A";
            return false;
        }
    }
    return true;
}

// `current` with the dab of `command` set; spacing only when it was given.
BrushOptions withDab(BrushOptions current, const BatchToolCommand& command) {
    const std::int32_t spacing = current.spacingPercent;
    const bool flag = current.flag;
    current = command.brush;
    if (!command.hasSpacing) current.spacingPercent = spacing;
    current.flag = flag;
    return current;
}

// The tool box makes these tools at these indexes.
BrushTool& brushTool(ToolBox& box) {
    auto* tool = dynamic_cast<BrushTool*>(box.tool(ToolBox::kBrush));
    TS_ASSERT(tool != nullptr);
    return *tool;
}
CloneTool& cloneTool(ToolBox& box) {
    auto* tool = dynamic_cast<CloneTool*>(box.tool(ToolBox::kClone));
    TS_ASSERT(tool != nullptr);
    return *tool;
}
SelectionTool& selectionTool(ToolBox& box) {
    auto* tool = dynamic_cast<SelectionTool*>(box.tool(ToolBox::kSelection));
    TS_ASSERT(tool != nullptr);
    return *tool;
}

// The view of a scripted press. The text tool's options were set by the
// text= operation, so its options dialog is answered with them; its text is
// drawn with the system's fonts where this build has them.
class BatchToolView : public ScriptedToolView {
public:
    using ScriptedToolView::ScriptedToolView;
    bool askTextOptions(TextTool& /*tool*/) override { return true; }
    TextRasterizer* textRasterizer() override { return batchTextRasterizer(); }
};

ErrorCode press(ToolBox& box, Page& page, const BatchToolCommand& command) {
    TS_ASSERT(!command.points.empty());
    box.setCurrentIndex(command.tool);
    BatchToolView view(std::vector<ToolPoint>(command.points.begin() + 1, command.points.end()));
    ToolEvent event;
    event.view = &view;
    event.page = &page;
    event.imagePoint = command.points.front();
    event.windowPoint = view.imageToWindow(event.imagePoint);
    constexpr std::uint8_t kDown = 0x80;
    event.shift = command.shift ? kDown : 0;
    event.alt = command.alt ? kDown : 0;
    event.ctrl = command.ctrl ? kDown : 0;
    event.space = command.space ? kDown : 0;
    return box.pressOnPage(event);
}

}  // namespace

const std::vector<BatchOperationInfo>& batchToolOperationTable() {
    static const std::vector<BatchOperationInfo> table = [] {
        std::vector<BatchOperationInfo> out;
        for (const ToolTableEntry& entry : toolEntries()) out.push_back(entry.info);
        return out;
    }();
    return table;
}

bool isBatchToolOperation(std::string_view name) {
    return std::any_of(toolEntries().begin(), toolEntries().end(),
                       [&](const ToolTableEntry& entry) { return entry.info.name == name; });
}

int batchToolIndex(std::string_view name) {
    for (const auto& [toolName, index] : kToolNames) {
        if (toolName == name) return index;
    }
    return 0;
}

std::optional<BatchToolCommand> prepareBatchToolCommand(const BatchStep& step, std::string& error) {
    const auto entry = std::find_if(
        toolEntries().begin(), toolEntries().end(),
        [&](const ToolTableEntry& candidate) { return candidate.info.name == step.name; });
    if (entry == toolEntries().end()) {
        error = "unknown operation '" + step.name + "' (try --help)";
        return std::nullopt;
    }
    BatchToolCommand command;
    command.op = entry->op;
    const std::vector<std::string> fields = splitFields(step.argument);
    const auto wantFields = [&](std::size_t least, std::size_t most) {
        if (fields.size() >= least && fields.size() <= most) return true;
        error = "'" + step.text + "' does not fit the form " + std::string(entry->info.form);
        return false;
    };
    switch (command.op) {
        case BatchToolOp::Press:
            if (!wantFields(1, fields.size()) || !preparePress(step, fields, command, error))
                return std::nullopt;
            break;
        case BatchToolOp::BrushOptions:
        case BatchToolOp::CloneOptions:
            if (!wantFields(5, 6) || !prepareBrushOptions(step, fields, command, error))
                return std::nullopt;
            break;
        case BatchToolOp::BrushShape:
            if (!wantFields(2, 2) ||
                !checkedInteger(step, fields[0], "shape button", 1, brush_shapes::kButtonCount,
                                command.button, error) ||
                !checkedInteger(step, fields[1], "size", 1, 32, command.size, error))
                return std::nullopt;
            break;
        case BatchToolOp::AntiAlias:
            if (!wantFields(1, 1)) return std::nullopt;
            if (fields[0] != "on" && fields[0] != "off") {
                error = "'" + step.text + "': anti-alias is 'on' or 'off'";
                return std::nullopt;
            }
            command.on = fields[0] == "on";
            break;
        case BatchToolOp::SelectionShape:
            if (!wantFields(1, 1)) return std::nullopt;
            if (fields[0] != "rectangle" && fields[0] != "ellipse") {
                error = "'" + step.text + "': selection-shape is 'rectangle' or 'ellipse'";
                return std::nullopt;
            }
            command.shape =
                fields[0] == "ellipse" ? SelectionTool::kEllipse : SelectionTool::kRectangle;
            break;
        case BatchToolOp::LineWidth:
            if (!wantFields(1, 1) ||
                !checkedInteger(step, fields[0], "line width", LineTool::kMinWidth,
                                LineTool::kMaxWidth, command.lineWidth, error))
                return std::nullopt;
            break;
        case BatchToolOp::TextOptions:
            if (!wantFields(1, 5) || !prepareTextOptions(step, fields, command, error))
                return std::nullopt;
            break;
    }
    return command;
}

ErrorCode runBatchToolCommand(ToolBox& box, ToolGlobals& globals, Page& page,
                              const BatchToolCommand& command) {
    switch (command.op) {
        case BatchToolOp::Press:
            return press(box, page, command);
        case BatchToolOp::BrushOptions: {
            BrushTool& brush = brushTool(box);
            brush.setOptions(withDab(brush.options(), command));
            return kErrNone;
        }
        case BatchToolOp::CloneOptions: {
            CloneTool& clone = cloneTool(box);
            clone.setOptions(withDab(clone.options(), command));
            return kErrNone;
        }
        case BatchToolOp::BrushShape: {
            BrushTool& brush = brushTool(box);
            BrushOptions options = brush.options();
            const bool known = brush_shapes::applyButton(command.button, command.size, options);
            TS_ASSERT(known);  // the button was checked when the step was prepared
            brush.setOptions(options);
            return kErrNone;
        }
        case BatchToolOp::AntiAlias:
            globals.antiAlias = command.on;
            return kErrNone;
        case BatchToolOp::SelectionShape:
            selectionTool(box).setShape(command.shape);
            return kErrNone;
        case BatchToolOp::LineWidth: {
            auto* line = dynamic_cast<LineTool*>(box.tool(ToolBox::kLine));
            TS_ASSERT(line != nullptr);
            line->setLineWidth(command.lineWidth);
            return kErrNone;
        }
        case BatchToolOp::TextOptions: {
            auto* text = dynamic_cast<TextTool*>(box.tool(ToolBox::kText));
            TS_ASSERT(text != nullptr);
            text->setText(command.text);
            if (command.typeface) text->setTypeface(*command.typeface);
            if (command.textSize) text->setSize(*command.textSize);
            if (command.textStyle) text->setStyleFlags(*command.textStyle);
            if (command.alignment) text->setAlignment(*command.alignment);
            return kErrNone;
        }
    }
    return kErrGeneral;
}

}  // namespace tessary
