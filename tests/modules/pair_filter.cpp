// Two filters in one module, in one category, with names that sort
// differently byte-wise ("Z" before "a") than alphabetically. The second
// names its entry point only through "fx86".
#include "module_entry.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kZebraPiPL, 16000, tspi::kind(TSPI_KIND_FILTER), tspi::name("Zebra Stripes"),
                  tspi::category("Stylize"), tspi::entryPoint("ZebraMain"));
TSPI_DECLARE_PIPL(kApplePiPL, 16001, tspi::kind(TSPI_KIND_FILTER), tspi::host(TSPI_HOST_ANY),
                  tspi::name("apple Blur"), tspi::category("Stylize"),
                  tspi::alternativeEntryPoint("AppleMain"));

TESSARY_TEST_ENTRY(ZebraMain)
TESSARY_TEST_ENTRY(AppleMain)
