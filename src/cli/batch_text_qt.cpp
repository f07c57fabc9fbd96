#include <QGuiApplication>

#include "cli/batch_text.h"
#include "text/qt_text_rasterizer.h"

namespace tessary {

bool batchCanPlaceText() {
    return true;
}

TextRasterizer* batchTextRasterizer() {
    // Fonts need a GUI application object; the batch program shows nothing,
    // so it always takes the offscreen platform, with or without a display.
    // Both objects live until the process ends: Qt's own statics may be gone
    // before ours would be destroyed.
    static TextRasterizer* rasterizer = [] {
        if (QGuiApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "tessary-batch";
            static char* argv[] = {name, nullptr};
            new QGuiApplication(argc, argv);
        }
        return static_cast<TextRasterizer*>(new QtTextRasterizer());
    }();
    return rasterizer;
}

}  // namespace tessary
