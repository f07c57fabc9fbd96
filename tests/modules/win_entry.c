/* Entry point of the Windows test module (built with a cross compiler; the
 * host only reads its resources). */
#include "module_entry.h"

TESSARY_TEST_ENTRY(PluginMain)
