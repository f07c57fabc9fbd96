// An import module.
#include "module_entry.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kImportPiPL, 16000, tspi::kind(TSPI_KIND_IMPORT), tspi::host(TSPI_HOST_SIGNATURE),
                  tspi::name("Sample Scanner"), tspi::entryPoint("PluginMain"));

TESSARY_TEST_ENTRY(PluginMain)
