#include "shell/dialogs/effect_dialogs.h"

namespace tessary {

DialogCommand dialogCommandOf(int id) {
    if (DialogCommand command = variationsDialogCommandOf(id)) return command;
    return geometryDialogCommandOf(id);
}

bool dialogCommandEnabled(int id, const Page& page) {
    if (variationsDialogCommandOf(id) != nullptr) return variationsDialogCommandEnabled(id, page);
    return geometryDialogCommandOf(id) != nullptr && geometryDialogCommandEnabled(id, page);
}

}  // namespace tessary
