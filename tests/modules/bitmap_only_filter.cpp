// A filter for bitmap images only (mode flag 0x8000) and without a
// category.
#include "module_entry.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kBitmapPiPL, 16000, tspi::kind(TSPI_KIND_FILTER), tspi::name("Bitmap Only"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_BITMAP)), tspi::entryPoint("PluginMain"));

TESSARY_TEST_ENTRY(PluginMain)
