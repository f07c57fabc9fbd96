// A filter with one complete property list: kind, host, name, category,
// modes (greyscale and RGB) and entry point.
#include "module_entry.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kInvertPiPL, 16000, tspi::kind(TSPI_KIND_FILTER), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("Invert Colors"), tspi::category("Adjust"),
                  tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE) | TSPI_MODE_FLAG(TSPI_MODE_RGB)),
                  tspi::entryPoint("PluginMain"));

TESSARY_TEST_ENTRY(PluginMain)
