#pragma once

#include <QImage>
#include <QRect>

#include "shell/dialogs/our_dlog_handler_base.h"
#include "tools/paint/brush_options.h"

class QButtonGroup;

namespace tessary {

class CKrvBmpBtn;
class ToolBox;

// Brush Options (dialog 149): the dab of the brush tool, or of the clone tool
// when that is current. Twenty-four shape buttons "SHAPE1" ... "SHAPE24"
// (ids 1041 ... 1064, each showing the dab it paints), a size track bar
// 1 ... 32 (id 1085) with its number (id 1091), and a 32 x 32 preview of the
// chosen shape at the chosen size.
//
// Opening reads the current tool's options: the button whose dab they
// describe is pressed (none when none does; the preview then shows SHAPE1),
// and the track bar stands at the brush's size, its longer side (the width
// for all but the tall shapes 21 ... 24). "Set" (id 1) turns the pressed
// button and the size into width, height, thickness, shape class and
// profile (brush_shapes::applyButton; spacing and flag are kept) and writes
// them into the current tool when it is the brush or the clone tool; with
// no button pressed it writes nothing. "Cancel" (id 2) changes nothing.
class CBrushOptionsDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kDialogId = 149;
    // Button SHAPEn has id kIdFirstShape + n - 1.
    static constexpr int kIdFirstShape = 1041;
    static constexpr int kIdSize = 1085;
    static constexpr int kIdSizeNumber = 1091;
    static constexpr int kMinimumSize = 1;
    static constexpr int kMaximumSize = 32;
    // The preview's place in the dialog's client area.
    static constexpr QRect kPreviewRect{250, 35, 32, 32};
    // The shape buttons' pictures: the dab at this size in a square of
    // kShapeImageBox pixels.
    static constexpr int kShapeImageSize = 18;
    static constexpr int kShapeImageBox = 22;

    // `tools` must outlive the dialog.
    explicit CBrushOptionsDlogHandler(ToolBox& tools, QWidget* parent = nullptr);
    ~CBrushOptionsDlogHandler() override;

    // The pressed shape button's number, 0 when none.
    int pressedShape() const;
    // Presses SHAPE<button> (1..24) as a click would.
    void pressShape(int button);
    // The track bar's position.
    int brushSize() const;
    // What the preview shows.
    const QImage& previewImage() const { return m_preview; }

public slots:
    void accept() override;

private:
    // The options of the brush or clone tool when one is current; false
    // (and nothing written) for any other tool.
    bool readToolOptions(BrushOptions& options) const;
    bool writeToolOptions(const BrushOptions& options);
    void sizeMoved(int size);
    void updatePreview();

    ToolBox& m_tools;
    QButtonGroup* m_shapes = nullptr;
    QWidget* m_previewWidget = nullptr;
    QImage m_preview;
};

// Runs the dialog modally over `parent`; 1 after "Set", 2 after "Cancel".
int runBrushOptionsDlog(ToolBox& tools, QWidget* parent);

}  // namespace tessary
