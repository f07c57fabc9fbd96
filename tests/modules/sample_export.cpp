// An export module.
#include "module_entry.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kExportPiPL, 16000, tspi::kind(TSPI_KIND_EXPORT), tspi::name("Sample Export"),
                  tspi::entryPoint("PluginMain"));

TESSARY_TEST_ENTRY(PluginMain)
