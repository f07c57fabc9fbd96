#include "cli/batch_operations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/error_messages.h"
#include "cli/batch_engine.h"
#include "effects/framework/c_vector_3d.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/framework/selection_shape.h"
#include "effects/geometry/canvas_resolution.h"
#include "effects/geometry/crop.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/geometry_change.h"
#include "effects/geometry/scale.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/shadow/drop_shadow.h"
#include "effects/shadow/extrude.h"
#include "effects/tonal/auto_tone.h"
#include "effects/tonal/tonal_commands.h"
#include "effects/tonal/type_conversion.h"
#include "model/page.h"
#include "model/page_data.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

struct TableEntry {
    BatchOperationInfo info;
    BatchOp op;
    int code;  // flip/rotate code for the named turns and flips
};

const std::vector<TableEntry>& entries() {
    static const std::vector<TableEntry> table = {
        {{"invert", "invert", "Filter > Invert: 255 - v on every colour sample"},
         BatchOp::Invert,
         0},
        {{"ntsc", "ntsc", "Filter > NTSC Video Safe: samples limited to 12 ... 243"},
         BatchOp::NtscVideoSafe,
         0},
        {{"scratch-removal", "scratch-removal", "Filter > Scratch Removal (median, threshold 20)"},
         BatchOp::ScratchRemoval,
         0},
        {{"red-eye", "red-eye",
          "Red Eye Removal (RGB-Millions only; needs a selection to be useful)"},
         BatchOp::RedEyeRemoval,
         0},
        {{"auto-contrast", "auto-contrast", "Auto Contrast"}, BatchOp::AutoContrast, 0},
        {{"auto-enhance", "auto-enhance", "Auto Enhance"}, BatchOp::AutoEnhance, 0},
        {{"brightness-contrast", "brightness-contrast=B,C",
          "Brightness & Contrast, B and C in -255 ... 255"},
         BatchOp::BrightnessContrast,
         0},
        {{"color-variations", "color-variations=R,G,B",
          "Color Variations: add R, G, B (-255 ... 255) to red, green, blue (RGB-Millions only)"},
         BatchOp::ColorVariations,
         0},
        {{"blur-sharpen", "blur-sharpen=X",
          "Blur & Sharpen: X < 0 box blur of radius -X, X > 0 sharpen of radius X (-16 ... 16)"},
         BatchOp::BlurSharpen,
         0},
        {{"despeckle", "despeckle=X", "Despeckle: median of radius X (1 ... 16)"},
         BatchOp::Despeckle,
         0},
        {{"noise", "noise=X", "Noise: X > 0 adds noise, X < 0 removes spikes (-255 ... 255)"},
         BatchOp::Noise,
         0},
        {{"de-interlace", "de-interlace=odd|even,interpolate|duplicate",
          "De-Interlace: replace the odd or even fields by interpolation or duplication"},
         BatchOp::DeInterlace,
         0},
        {{"grayscale", "grayscale", "Image > Grayscale (256 Grays)"}, BatchOp::Grayscale, 0},
        {{"rgb", "rgb", "Image > RGB-Millions"}, BatchOp::Rgb, 0},
        {{"flip-horizontal", "flip-horizontal", "Flip left to right (code 1)"},
         BatchOp::FlipRotate,
         kFlipHorizontal},
        {{"flip-vertical", "flip-vertical", "Flip top to bottom (code 2)"},
         BatchOp::FlipRotate,
         kFlipVertical},
        {{"rotate-180", "rotate-180", "Half turn (code 3)"}, BatchOp::FlipRotate, kHalfTurn},
        {{"rotate-270", "rotate-270", "Quarter turn counter-clockwise, 90 degrees left (code 4)"},
         BatchOp::FlipRotate,
         kQuarterTurnCounterClockwise},
        {{"rotate-90", "rotate-90", "Quarter turn clockwise, 90 degrees right (code 5)"},
         BatchOp::FlipRotate,
         kQuarterTurnClockwise},
        {{"flip-rotate", "flip-rotate=CODE", "Flip & Rotate by code 1 ... 5 (as above)"},
         BatchOp::FlipRotate,
         0},
        {{"scale", "scale=W,H[,nearest]",
          "Scale the image (or the selection) to W x H pixels; W and H may be percentages "
          "(50%); smooth unless 'nearest'"},
         BatchOp::Scale,
         0},
        {{"canvas-size", "canvas-size=W,H[,ANCHOR]",
          "Canvas Size: new area in the background colour; ANCHOR top-left (default), top, "
          "top-right, left, centre, right, bottom-left, bottom, bottom-right"},
         BatchOp::CanvasSize,
         0},
        {{"resolution", "resolution=H[,V]",
          "Canvas Resolution in pixels per inch (V = H when left out)"},
         BatchOp::Resolution,
         0},
        {{"crop", "crop", "Crop to the selection (nothing without one)"}, BatchOp::Crop, 0},
        {{"select-rect", "select-rect=L,T,R,B",
          "Select the rectangle (left, top, right, bottom; right and bottom exclusive)"},
         BatchOp::SelectRect,
         0},
        {{"select-ellipse", "select-ellipse=L,T,R,B[,N]",
          "Select the ellipse inscribed in the rectangle; N > 0 anti-aliases its edge with N x N "
          "subsamples per pixel (0-16, default 0)"},
         BatchOp::SelectEllipse,
         0},
        {{"select-all", "select-all", "Select the whole image"}, BatchOp::SelectAll, 0},
        {{"select-none", "select-none", "Drop the selection"}, BatchOp::SelectNone, 0},
        {{"select-inverse", "select-inverse", "Invert the selection"}, BatchOp::SelectInverse, 0},
        {{"drop-shadow", "drop-shadow=DX,DY,FEATHER,INTENSITY",
          "Drop Shadow of the selection in the foreground colour: offsets in pixels, feather "
          "0 ... 16, intensity 0 ... 100 %"},
         BatchOp::DropShadow,
         0},
        {{"extrude", "extrude=DIRECTION,DISTANCE[,fill|select]",
          "Extrude the selection: direction 0 (up) ... 7 clockwise, distance in pixels; fill "
          "in the foreground colour (default) or select the sweep"},
         BatchOp::Extrude,
         0},
        {{"plugin", "plugin=NAME[,KEY=N...]",
          "Run the plug-in filter with that menu name (case ignored), answering the numbers it "
          "asks for by key, e.g. plugin=Posterize,levels=4"},
         BatchOp::PlugIn,
         0},
        {{"import", "import=NAME,FILE[,KEY=N...]",
          "File > Import: the import module NAME reads FILE; its first image replaces the "
          "image (INPUT may be left out when this is the first operation)"},
         BatchOp::Import,
         0},
        {{"export", "export=NAME,FILE[,KEY=N...]",
          "File > Export: the export module NAME writes the image to FILE, e.g. "
          "export=\"Web JPEG\",small.jpg,limit=50"},
         BatchOp::Export,
         0},
    };
    return table;
}

// Parses every field of `fields` from `first` on as an integer in [lo, hi].
bool integers(const BatchStep& step, const std::vector<std::string>& fields, std::size_t first,
              std::size_t count, std::int32_t lo, std::int32_t hi, std::vector<std::int32_t>& out,
              std::string& error) {
    for (std::size_t i = first; i < first + count; ++i) {
        const auto value = parseInteger(fields[i]);
        if (!value || *value < lo || *value > hi) {
            error = "'" + step.text + "': parameter " + std::to_string(i + 1) + " ('" + fields[i] +
                    "') must be a whole number from " + std::to_string(lo) + " to " +
                    std::to_string(hi);
            return false;
        }
        out.push_back(*value);
    }
    return true;
}

bool anchorOf(std::string_view text, CanvasAnchor& anchor) {
    static const std::pair<std::string_view, CanvasAnchor> names[] = {
        {"top-left", CanvasAnchor::kTopLeft},   {"top", CanvasAnchor::kTop},
        {"top-right", CanvasAnchor::kTopRight}, {"left", CanvasAnchor::kLeft},
        {"centre", CanvasAnchor::kCentre},      {"center", CanvasAnchor::kCentre},
        {"right", CanvasAnchor::kRight},        {"bottom-left", CanvasAnchor::kBottomLeft},
        {"bottom", CanvasAnchor::kBottom},      {"bottom-right", CanvasAnchor::kBottomRight},
    };
    for (const auto& [name, value] : names) {
        if (text == name) {
            anchor = value;
            return true;
        }
    }
    return false;
}

std::string unquoted(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// The KEY=N answers of a plug-in step, fields `first` on: each key once,
// each value a whole number.
bool scriptedNumbers(const BatchStep& step, const std::vector<std::string>& fields,
                     std::size_t first, QuestionScript& script, std::string& error) {
    for (std::size_t i = first; i < fields.size(); ++i) {
        const std::size_t equals = fields[i].find('=');
        const std::string key = fields[i].substr(0, equals);
        const auto value = equals == std::string::npos
                               ? std::nullopt
                               : parseInteger(std::string_view(fields[i]).substr(equals + 1));
        if (key.empty() || !value) {
            error = "'" + step.text + "': '" + fields[i] + "' is not KEY=N with a whole number N";
            return false;
        }
        for (const auto& [known, ignored] : script.numbers) {
            if (known == key) {
                error = "'" + step.text + "': '" + key + "' is given twice";
                return false;
            }
        }
        script.numbers.emplace_back(key, *value);
    }
    return true;
}

// Largest side accepted for scale and canvas size: the engine's rectangles
// are 32-bit.
constexpr std::int32_t kMaxSide = std::numeric_limits<std::int32_t>::max() / 2;

BatchOutcome failed(const BatchCommand& command, ErrorCode code) {
    return {false, code, "'" + command.label + "': " + errorMessage(code)};
}

BatchOutcome fromCode(const BatchCommand& command, ErrorCode code) {
    if (code == kErrNone) return {};
    return failed(command, code);
}

// The dialog-driven commands (Blur & Sharpen, Despeckle, Noise, Brightness &
// Contrast, Color Variations) as their dialog's OK runs them: in a change of
// their own, on the standard target's rectangle, final, recording undo kind
// 6 ("Filter") over it.
ErrorCode runDialogEffect(Page& page,
                          ErrorCode (*effect)(Page&, const Rect&, const CVector3D&, bool,
                                              const EffectContext&),
                          const CVector3D& adjustment, const EffectContext& context) {
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;
    if (!data->beginChange()) return kErrDisk;
    const Rect rect = standardTarget(page).rect;
    ErrorCode code = effect(page, rect, adjustment, true, context);
    if (code == kErrNone && !page.saveState(kUndoKindFilter, 0, rect)) code = kErrMemory;
    if (code == kErrNone) {
        data->endChange();
    } else {
        data->abortChange();
        page.restoreState();
    }
    return code;
}

// Runs `work` in a change of undo kind `kind`, recorded over `*area` as the
// work leaves it. Any failure aborts the change.
template <class Work>
ErrorCode inChange(Page& page, std::uint32_t kind, Work&& work) {
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;
    if (!data->beginChange()) return kErrDisk;
    Rect area;
    ErrorCode code = work(area);
    if (code == kErrNone && !page.saveState(kind, 0, area)) code = kErrMemory;
    if (code != kErrNone) {
        data->abortChange();
        page.restoreState();
        return code;
    }
    data->endChange();
    return kErrNone;
}

// The dialog adjustment of up to three checked parameters (each within
// -255 ... 255, so they fit the 16-bit components).
CVector3D adjustmentOf(const std::vector<std::int32_t>& values) {
    CVector3D v;
    std::int16_t* components[3] = {&v.x, &v.y, &v.z};
    for (std::size_t i = 0; i < values.size() && i < 3; ++i)
        *components[i] = static_cast<std::int16_t>(values[i]);
    return v;
}

Rect clipToBounds(const Rect& r, const Rect& bounds) {
    return intersectRects(r, bounds);
}

std::string_view kindName(BatchOp op) {
    switch (op) {
        case BatchOp::Import:
            return "import module";
        case BatchOp::Export:
            return "export module";
        default:
            return "plug-in filter";
    }
}

BatchOutcome missingModule(BatchEngine& engine, const BatchCommand& command) {
    return {false, kErrGeneral,
            "'" + command.label + "': no " + std::string(kindName(command.op)) + " named \"" +
                command.text + "\" in " + engine.globals().plugInFolder().string()};
}

// Runs a plug-in command with the step's script answering its module's
// questions. A script the questions did not fit fails the step; so does an
// error. A cancel by the module alone is quiet: the step counts as done.
template <class Run>
BatchOutcome runScripted(BatchEngine& engine, const BatchCommand& command, Run&& run) {
    ScriptedQuestions& questions = engine.questions();
    questions.begin(command.script);
    const bool done = run();
    const bool cancelled = !done && engine.host().cancelled();
    const std::string problem = questions.problem();
    const std::vector<std::string> unused = questions.unusedKeys();
    const bool fileUnused = !command.script.file.empty() && !questions.fileUsed();
    questions.end();
    const std::string prefix = "'" + command.label + "': ";
    if (!problem.empty()) return {false, kErrGeneral, prefix + problem};
    if (!done && !cancelled) {
        const ErrorCode code = engine.host().failureCode();
        return {false, code,
                prefix + "the " + std::string(kindName(command.op)) + " \"" + command.text +
                    "\" failed: " + engine.host().failureMessage()};
    }
    if (cancelled) return {};
    if (!unused.empty())
        return {false, kErrGeneral,
                prefix + "\"" + command.text + "\" asked for no number named '" + unused[0] + "'"};
    if (fileUnused)
        return {false, kErrGeneral, prefix + "\"" + command.text + "\" asked for no file"};
    return {};
}

// Where the images of a batch import go: the first becomes the batch's
// image, the others are dropped.
class BatchImportDocuments : public PlugInDocumentPort {
public:
    bool openImportedPage(std::unique_ptr<Page> page, std::string_view) override {
        if (!m_first) m_first = std::move(page);
        return true;
    }
    std::unique_ptr<Page> take() { return std::move(m_first); }

private:
    std::unique_ptr<Page> m_first;
};

}  // namespace

const std::vector<BatchOperationInfo>& batchOperationTable() {
    static const std::vector<BatchOperationInfo> table = [] {
        std::vector<BatchOperationInfo> out;
        for (const TableEntry& entry : entries()) out.push_back(entry.info);
        const auto& tools = batchToolOperationTable();
        out.insert(out.end(), tools.begin(), tools.end());
        return out;
    }();
    return table;
}

std::optional<BatchCommand> prepareBatchCommand(const BatchStep& step, std::string& error) {
    const TableEntry* entry = nullptr;
    for (const TableEntry& candidate : entries()) {
        if (candidate.info.name == step.name) entry = &candidate;
    }
    if (entry == nullptr && isBatchToolOperation(step.name)) {
        auto tool = prepareBatchToolCommand(step, error);
        if (!tool) return std::nullopt;
        BatchCommand command;
        command.op = BatchOp::Tool;
        command.label = step.text;
        command.tool = std::move(*tool);
        return command;
    }
    if (entry == nullptr) {
        error = "unknown operation '" + step.name + "' (try --help)";
        return std::nullopt;
    }
    BatchCommand command;
    command.op = entry->op;
    command.label = step.text;
    command.code = entry->code;
    const std::vector<std::string> fields = splitFields(step.argument);
    const auto wantFields = [&](std::size_t least, std::size_t most) {
        if (fields.size() >= least && fields.size() <= most && (least > 0 || !step.hasArgument))
            return true;
        error = "'" + step.text + "' does not fit the form " + std::string(entry->info.form);
        return false;
    };
    switch (command.op) {
        case BatchOp::Invert:
        case BatchOp::NtscVideoSafe:
        case BatchOp::ScratchRemoval:
        case BatchOp::RedEyeRemoval:
        case BatchOp::AutoContrast:
        case BatchOp::AutoEnhance:
        case BatchOp::Grayscale:
        case BatchOp::Rgb:
        case BatchOp::Crop:
        case BatchOp::SelectAll:
        case BatchOp::SelectNone:
        case BatchOp::SelectInverse:
            if (!wantFields(0, 0)) return std::nullopt;
            break;
        case BatchOp::FlipRotate:
            if (entry->code != 0) {
                if (!wantFields(0, 0)) return std::nullopt;
            } else {
                if (!wantFields(1, 1) || !integers(step, fields, 0, 1, 1, 5, command.ints, error))
                    return std::nullopt;
                command.code = command.ints[0];
            }
            break;
        case BatchOp::BrightnessContrast:
            if (!wantFields(2, 2) || !integers(step, fields, 0, 2, -255, 255, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::ColorVariations:
            if (!wantFields(3, 3) || !integers(step, fields, 0, 3, -255, 255, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::BlurSharpen:
            if (!wantFields(1, 1) || !integers(step, fields, 0, 1, -16, 16, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::Despeckle:
            if (!wantFields(1, 1) || !integers(step, fields, 0, 1, 1, 16, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::Noise:
            if (!wantFields(1, 1) || !integers(step, fields, 0, 1, -255, 255, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::DeInterlace: {
            if (!wantFields(2, 2)) return std::nullopt;
            if ((fields[0] != "odd" && fields[0] != "even") ||
                (fields[1] != "interpolate" && fields[1] != "duplicate")) {
                error =
                    "'" + step.text + "' does not fit the form " + std::string(entry->info.form);
                return std::nullopt;
            }
            command.flag = fields[0] == "odd";
            command.flag2 = fields[1] == "interpolate";
            break;
        }
        case BatchOp::Scale: {
            if (!wantFields(2, 3)) return std::nullopt;
            for (int i = 0; i < 2; ++i) {
                std::string_view field = fields[static_cast<std::size_t>(i)];
                if (!field.empty() && field.back() == '%') {
                    field.remove_suffix(1);
                    const auto value = parseDecimal(field);
                    if (!value || *value <= 0.0 || *value > 100000.0) {
                        error = "'" + step.text +
                                "': a percentage must be above 0 and at most "
                                "100000";
                        return std::nullopt;
                    }
                    command.percent[i] = true;
                    command.percentValue[i] = *value;
                    command.ints.push_back(0);
                } else {
                    if (!integers(step, fields, static_cast<std::size_t>(i), 1, 1, kMaxSide,
                                  command.ints, error))
                        return std::nullopt;
                }
            }
            if (fields.size() == 3) {
                if (fields[2] == "nearest") {
                    command.smooth = false;
                } else if (fields[2] != "smooth") {
                    error = "'" + step.text + "': the third parameter is 'nearest' or 'smooth'";
                    return std::nullopt;
                }
            }
            break;
        }
        case BatchOp::CanvasSize:
            if (!wantFields(2, 3) ||
                !integers(step, fields, 0, 2, 1, kMaxSide, command.ints, error))
                return std::nullopt;
            if (fields.size() == 3 && !anchorOf(fields[2], command.anchor)) {
                error = "'" + step.text + "': unknown anchor '" + fields[2] + "'";
                return std::nullopt;
            }
            break;
        case BatchOp::Resolution: {
            if (!wantFields(1, 2)) return std::nullopt;
            for (std::size_t i = 0; i < 2; ++i) {
                const auto value = parseDecimal(fields[std::min(i, fields.size() - 1)]);
                if (!value || *value <= 0.0) {
                    error = "'" + step.text + "': a resolution must be a number above 0";
                    return std::nullopt;
                }
                command.resolution[i] = *value;
            }
            break;
        }
        case BatchOp::SelectRect:
        case BatchOp::SelectEllipse:
            if (!wantFields(4, command.op == BatchOp::SelectEllipse ? 5 : 4) ||
                !integers(step, fields, 0, 4, std::numeric_limits<std::int32_t>::min(),
                          std::numeric_limits<std::int32_t>::max(), command.ints, error))
                return std::nullopt;
            if (command.ints[2] <= command.ints[0] || command.ints[3] <= command.ints[1]) {
                error = "'" + step.text + "': right must exceed left and bottom must exceed top";
                return std::nullopt;
            }
            // The anti-aliasing subsamples (0 when left out).
            if (fields.size() < 5)
                command.ints.push_back(0);
            else if (!integers(step, fields, 4, 1, 0, 16, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::DropShadow:
            if (!wantFields(4, 4) ||
                !integers(step, fields, 0, 2, -kMaxSide, kMaxSide, command.ints, error) ||
                !integers(step, fields, 2, 1, 0, 16, command.ints, error) ||
                !integers(step, fields, 3, 1, 0, 100, command.ints, error))
                return std::nullopt;
            break;
        case BatchOp::Extrude:
            if (!wantFields(2, 3) || !integers(step, fields, 0, 1, 0, 7, command.ints, error) ||
                !integers(step, fields, 1, 1, 0, 1 << 20, command.ints, error))
                return std::nullopt;
            command.code = 0;
            if (fields.size() == 3) {
                if (fields[2] == "select") {
                    command.code = 1;
                } else if (fields[2] != "fill") {
                    error = "'" + step.text + "': the third parameter is 'fill' or 'select'";
                    return std::nullopt;
                }
            }
            break;
        case BatchOp::PlugIn:
        case BatchOp::Import:
        case BatchOp::Export: {
            const bool withFile = command.op != BatchOp::PlugIn;
            if (fields.empty() || unquoted(fields[0]).empty()) {
                error = "'" + step.text + "': give the module's name (" +
                        std::string(entry->info.form) + ")";
                return std::nullopt;
            }
            command.text = unquoted(fields[0]);
            if (withFile) {
                if (fields.size() < 2 || unquoted(fields[1]).empty()) {
                    error = "'" + step.text + "': give the file (" + std::string(entry->info.form) +
                            ")";
                    return std::nullopt;
                }
                command.script.file = unquoted(fields[1]);
            }
            if (!scriptedNumbers(step, fields, withFile ? 2 : 1, command.script, error))
                return std::nullopt;
            break;
        }
        case BatchOp::Tool:
            break;  // the tool table's rows are checked above
    }
    return command;
}

ErrorCode selectShape(Page& page, const Rect& rect, ShapeClass shape, int subsamples) {
    return inChange(page, GeometryChange::kUndoSelection, [&](Rect& area) {
        ErrorCode code = page.hasFloat() ? page.mergeFloat() : kErrNone;
        const Rect before =
            page.hasMask() ? clipToBounds(page.selectionRect(), page.bounds()) : Rect{};
        if (code == kErrNone && page.hasMask()) code = page.removeMask();
        if (code != kErrNone) return code;
        Rect selected = clipToBounds(rect, page.bounds());
        area = before;
        if (selected.empty()) return kErrNone;
        PageData& data = *page.pageData();
        const int mask = page.colourPlaneCount();
        if (!data.insertPlane(mask, 0)) return kErrDisk;
        std::vector<std::uint8_t> row;
        try {
            row.assign(static_cast<std::size_t>(selected.width()), 255);
        } catch (const std::bad_alloc&) {
            return kErrMemory;
        }
        const std::int64_t width = std::int64_t{rect.right} - rect.left;
        const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
        for (std::int32_t y = selected.top; y < selected.bottom; ++y) {
            shapeCoverageRow(shape, width, height, subsamples, std::int64_t{y} - rect.top,
                             std::int64_t{selected.left} - rect.left, selected.width(), row.data());
            if (!data.writeRow(mask, selected.left, y, selected.width(), row.data()))
                return kErrDisk;
        }
        // The selection's bounds are those of its mask values above 1, as
        // the selection tools compute them.
        Rect bounds;
        if (!data.boundsAbove(mask, 1, bounds)) bounds = Rect{};
        bounds = clipToBounds(bounds, page.bounds());
        if (bounds.empty()) return page.removeMask();
        page.setSelectionRect(bounds);
        selected = bounds;
        area = before.empty()
                   ? selected
                   : Rect{std::min(before.left, selected.left), std::min(before.top, selected.top),
                          std::max(before.right, selected.right),
                          std::max(before.bottom, selected.bottom)};
        return kErrNone;
    });
}

BatchOutcome runBatchCommand(BatchEngine& engine, Page& page, const BatchCommand& command) {
    const EffectContext context = engine.effectContext();
    const auto dialog = [&](auto effect, const CVector3D& adjustment) {
        return fromCode(command, runDialogEffect(page, effect, adjustment, context));
    };
    switch (command.op) {
        case BatchOp::Invert:
            return fromCode(command, invertCommand(page, context));
        case BatchOp::NtscVideoSafe:
            return fromCode(command, ntscVideoSafeCommand(page, context));
        case BatchOp::ScratchRemoval:
            return fromCode(command, scratchRemovalCommand(page, context));
        case BatchOp::RedEyeRemoval:
            return fromCode(command, redEyeRemovalCommand(page, context));
        case BatchOp::AutoContrast:
            return fromCode(command, autoContrastCommand(page, context));
        case BatchOp::AutoEnhance:
            return fromCode(command, autoEnhanceCommand(page, context));
        case BatchOp::BrightnessContrast:
            return dialog(&brightnessContrastCommand, adjustmentOf(command.ints));
        case BatchOp::ColorVariations:
            if (page.type() != Page::kTypeRgb)
                return {false, kErrGeneral,
                        "'" + command.label + "': Color Variations needs an RGB-Millions image"};
            return dialog(&colorVariationsCommand, adjustmentOf(command.ints));
        case BatchOp::BlurSharpen:
            return dialog(&blurSharpenCommand, adjustmentOf(command.ints));
        case BatchOp::Despeckle:
            return dialog(&despeckleCommand, adjustmentOf(command.ints));
        case BatchOp::Noise:
            return dialog(&noiseCommand, adjustmentOf(command.ints));
        case BatchOp::DeInterlace: {
            DeInterlaceChoice choice;
            choice.replaceOddFields = command.flag;
            choice.interpolate = command.flag2;
            return fromCode(command, deInterlaceCommand(page, choice, context));
        }
        case BatchOp::Grayscale:
            return fromCode(command, convertPageType(page, Page::kTypeGrey));
        case BatchOp::Rgb:
            return fromCode(command, convertPageType(page, Page::kTypeRgb));
        case BatchOp::FlipRotate:
            return fromCode(command, flipRotate(page, command.code, &engine.progressFactory()));
        case BatchOp::Scale: {
            // Percentages apply to what is scaled: the selection when there is
            // one, otherwise the image.
            const bool selection = page.hasMask() || page.hasFloat();
            const Rect basis = selection ? page.selectionRect() : page.bounds();
            std::int32_t size[2];
            for (int i = 0; i < 2; ++i) {
                if (!command.percent[i]) {
                    size[i] = command.ints[static_cast<std::size_t>(i)];
                    continue;
                }
                const double side = double(i == 0 ? basis.width() : basis.height());
                const double wanted =
                    std::max(1.0, std::round(side * command.percentValue[i] / 100.0));
                if (wanted > double(kMaxSide))
                    return {false, kErrGeneral,
                            "'" + command.label + "': the new size is too large"};
                size[i] = static_cast<std::int32_t>(wanted);
            }
            return fromCode(command, scalePage(page, size[0], size[1], command.smooth,
                                               &engine.progressFactory()));
        }
        case BatchOp::CanvasSize:
            return fromCode(command,
                            changeCanvasSize(page, command.ints[0], command.ints[1], command.anchor,
                                             context.background, &engine.progressFactory()));
        case BatchOp::Resolution:
            return fromCode(
                command, setCanvasResolution(page, command.resolution[0], command.resolution[1]));
        case BatchOp::Crop:
            return fromCode(command, cropPage(page));
        case BatchOp::SelectRect:
        case BatchOp::SelectEllipse:
            return fromCode(
                command,
                selectShape(
                    page, Rect{command.ints[0], command.ints[1], command.ints[2], command.ints[3]},
                    command.op == BatchOp::SelectRect ? ShapeClass::Rectangle : ShapeClass::Ellipse,
                    command.ints[4]));
        case BatchOp::SelectAll:
            return fromCode(command,
                            inChange(page, GeometryChange::kUndoSelection, [&](Rect& area) {
                                ErrorCode code = page.hasFloat() ? page.mergeFloat() : kErrNone;
                                if (code == kErrNone) code = page.addMask();
                                area = page.bounds();
                                return code;
                            }));
        case BatchOp::SelectNone:
            if (!page.hasMask() && !page.hasFloat()) return {};
            return fromCode(command,
                            inChange(page, GeometryChange::kUndoSelection, [&](Rect& area) {
                                area = clipToBounds(page.selectionRect(), page.bounds());
                                ErrorCode code = page.hasFloat() ? page.mergeFloat() : kErrNone;
                                if (code == kErrNone && page.hasMask()) code = page.removeMask();
                                return code;
                            }));
        case BatchOp::SelectInverse:
            if (!page.hasMask() && !page.hasFloat()) return {};
            return fromCode(command,
                            inChange(page, GeometryChange::kUndoSelection, [&](Rect& area) {
                                ErrorCode code = page.hasFloat() ? page.mergeFloat() : kErrNone;
                                if (code == kErrNone) code = page.invertSelection();
                                area = page.bounds();
                                return code;
                            }));
        case BatchOp::DropShadow: {
            DropShadowRequest request;
            request.colour = context.foreground;
            request.horizontalOffset = command.ints[0];
            request.verticalOffset = command.ints[1];
            request.feather = command.ints[2];
            request.opacity = dropShadowOpacity(command.ints[3]);
            Rect painted;
            return fromCode(command, dropShadow(page, request, painted, &engine.progressFactory()));
        }
        case BatchOp::Extrude: {
            ExtrudeRequest request;
            request.colour = context.foreground;
            extrudeOffset(command.ints[0], command.ints[1], request.dx, request.dy);
            request.select = command.code == 1;
            Rect affected;
            return fromCode(command, extrude(page, request, affected, &engine.progressFactory()));
        }
        case BatchOp::PlugIn:
        case BatchOp::Export: {
            const bool filter = command.op == BatchOp::PlugIn;
            PlugInRecord* record =
                engine.findPlugIn(filter ? kPlugInKindFilter : kPlugInKindExport, command.text);
            if (record == nullptr) return missingModule(engine, command);
            return runScripted(engine, command, [&] {
                if (!filter)
                    return PlugInExportCommand(engine.host(), engine.plugIns(), record->commandId,
                                               &page);
                BatchPlugInView view(&page);
                return PlugInFilterCommand(engine.host(), engine.plugIns(), view, record->commandId,
                                           engine.lastFilter());
            });
        }
        case BatchOp::Tool: {
            const ErrorCode code = runBatchToolCommand(
                engine.toolBox(), engine.globals().toolGlobals(), page, command.tool);
            // The dropper may have changed a paint colour.
            engine.coloursChanged();
            return fromCode(command, code);
        }
        case BatchOp::Import:
            break;
    }
    return {false, kErrGeneral, "'" + command.label + "': " + errorMessage(kErrGeneral)};
}

BatchOutcome runBatchStep(BatchEngine& engine, std::unique_ptr<Page>& page,
                          const BatchCommand& command) {
    if (command.op != BatchOp::Import) {
        if (!page) return {false, kErrGeneral, "'" + command.label + "': there is no image yet"};
        return runBatchCommand(engine, *page, command);
    }
    PlugInRecord* record = engine.findPlugIn(kPlugInKindImport, command.text);
    if (record == nullptr) return missingModule(engine, command);
    BatchImportDocuments documents;
    BatchOutcome outcome = runScripted(engine, command, [&] {
        return PlugInImportCommand(engine.host(), engine.plugIns(), record->commandId, documents,
                                   engine.environment());
    });
    std::unique_ptr<Page> imported = documents.take();
    if (!outcome.ok) return outcome;
    if (imported) {
        imported->setModified(false);
        page = std::move(imported);
    } else if (!page) {
        return {false, kErrGeneral,
                "'" + command.label + "': \"" + command.text + "\" delivered no image"};
    }
    return outcome;
}

}  // namespace tessary
