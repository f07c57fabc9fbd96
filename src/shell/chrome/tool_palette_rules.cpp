#include "shell/chrome/tool_palette_rules.h"

namespace tessary::palette {
namespace {

struct ToolFacts {
    const char* bitmap;
    const char* title;
    char key;
};

// In tool-number order. The keys follow what users of desktop editors know
// (V move, M marquee, B brush, E eraser, ...); F (fill) and G (gradient)
// keep the bucket and the gradient apart.
constexpr ToolFacts kTools[kToolCount] = {
    {"ARROW", "Arrow", 'V'},
    {"EYEDROPPER", "Eyedropper", 'I'},
    {"HAND", "Hand", 'H'},
    {"MAGNIFYGLASS", "Magnifying Glass", 'Z'},
    {"RECTANGLE", "Rectangle Selection", 'M'},
    {"CROP", "Crop", 'C'},
    {"LASSO", "Lasso", 'L'},
    {"MAGICWAND", "Magic Wand", 'W'},
    {"PENCIL", "Pencil", 'N'},
    {"ERASER", "Eraser", 'E'},
    {"BRUSH", "Brush", 'B'},
    {"CLONE", "Clone", 'S'},
    {"LINE", "Line", 'U'},
    {"FILLCAN", "Paint Bucket", 'F'},
    {"GRADIENT", "Gradient", 'G'},
    {"TEXT", "Text", 'T'},
};

const ToolFacts* factsOf(int tool) {
    return tool >= 1 && tool <= kToolCount ? &kTools[tool - 1] : nullptr;
}

}  // namespace

const char* toolBitmapName(int tool) {
    const ToolFacts* facts = factsOf(tool);
    return facts != nullptr ? facts->bitmap : nullptr;
}

const char* toolTitle(int tool) {
    const ToolFacts* facts = factsOf(tool);
    return facts != nullptr ? facts->title : nullptr;
}

OptionControls optionControlsFor(int tool) {
    OptionControls controls;
    controls.optionsEnabled = tool == 5 || tool == 11 || tool == 13;
    controls.antiAliasEnabled = tool == 5 || tool == 13 || tool == 14 || tool == 16;
    return controls;
}

char toolShortcutKey(int tool) {
    const ToolFacts* facts = factsOf(tool);
    return facts != nullptr ? facts->key : 0;
}

int toolForShortcutKey(char key) {
    if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
    for (int tool = 1; tool <= kToolCount; ++tool) {
        if (kTools[tool - 1].key == key) return tool;
    }
    return 0;
}

}  // namespace tessary::palette
