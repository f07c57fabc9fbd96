// A filter whose property list names another host: the list is refused.
#include "module_entry.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kForeignPiPL, 16000, tspi::kind(TSPI_KIND_FILTER),
                  tspi::host(TSPI_FOURCC('8', 'B', 'I', 'M')), tspi::name("Foreign Filter"),
                  tspi::category("Elsewhere"), tspi::entryPoint("PluginMain"));

TESSARY_TEST_ENTRY(PluginMain)
