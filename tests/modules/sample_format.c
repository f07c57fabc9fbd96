/* A format module declared in C with the C macros: reads files ending in
 * .smp. */
#include "module_entry.h"
#include "tessary_pipl.h"

struct sample_format_pipl {
    TSPI_C_PIPL_HEAD
    TSPI_C_PROPERTY4(kind)
    TSPI_C_PROPERTY4(host)
    TSPI_C_PSTRING(name, "Sample Format")
    TSPI_C_PROPERTY4(readType)
    TSPI_C_PROPERTY4(readExtension)
    TSPI_C_CSTRING(entry, "PluginMain")
};

TSPI_PIPL_SECTION static const struct sample_format_pipl kSampleFormatPiPL = {
    TSPI_C_PIPL_HEAD_INIT(struct sample_format_pipl, 16000, 6),
    TSPI_C_PROPERTY4_INIT(TSPI_KEY_KIND, TSPI_KIND_FORMAT),
    TSPI_C_PROPERTY4_INIT(TSPI_KEY_HOST, TSPI_HOST_SIGNATURE),
    TSPI_C_PSTRING_INIT(TSPI_KEY_NAME, "Sample Format"),
    TSPI_C_TEXT4_INIT(TSPI_KEY_READ_TYPE, 'S', 'M', 'P', 'L'),
    TSPI_C_TEXT4_INIT(TSPI_KEY_READ_EXTENSION, 'S', 'M', 'P', 0),
    TSPI_C_CSTRING_INIT(TSPI_KEY_ENTRY, "PluginMain"),
};

TESSARY_TEST_ENTRY(PluginMain)
