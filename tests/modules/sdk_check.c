/* Compiled (not run) by sdk_layout_check.sh: the SDK headers as C99, with
 * the C declaration macros sized against hand-counted totals. On a 32-bit
 * target the headers' own static assertions check every block layout. */
#include "tessary_ask.h"
#include "tessary_pipl.h"
#include "tessary_plugin.h"

struct check_pipl {
    TSPI_C_PIPL_HEAD
    TSPI_C_PROPERTY4(kind)        /* 16 + 4 */
    TSPI_C_PSTRING(name, "ab")    /* 16 + 1 + 2, padded to 20 */
    TSPI_C_PSTRING(catg, "abc")   /* 16 + 1 + 3 = 20, no padding */
    TSPI_C_CSTRING(entry, "Main") /* 16 + 5, padded to 24 */
};

TSPI_STATIC_ASSERT(sizeof(struct check_pipl) == 16 + 10 + 20 + 20 + 20 + 24, c_pipl_size);
TSPI_STATIC_ASSERT(TSPI_FOURCC('k', 'i', 'n', 'd') == 0x6B696E64u, fourcc_value);
TSPI_STATIC_ASSERT(TSPI_MODE_FLAG(TSPI_MODE_BITMAP) == 0x8000u, mode_flag_bitmap);
TSPI_STATIC_ASSERT(TSPI_MODE_FLAG(TSPI_MODE_RGB) == 0x1000u, mode_flag_rgb);
TSPI_STATIC_ASSERT(TSPI_PROPERTY_SPAN(15) == 32, property_span);

TSPI_PIPL_SECTION static const struct check_pipl kCheckPiPL = {
    TSPI_C_PIPL_HEAD_INIT(struct check_pipl, 16000, 4),
    TSPI_C_PROPERTY4_INIT(TSPI_KEY_KIND, TSPI_KIND_FILTER),
    TSPI_C_PSTRING_INIT(TSPI_KEY_NAME, "ab"),
    TSPI_C_PSTRING_INIT(TSPI_KEY_CATEGORY, "abc"),
    TSPI_C_CSTRING_INIT(TSPI_KEY_ENTRY, "Main"),
};

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    TsPiFilterBlock* filter = (TsPiFilterBlock*)block;
    (void)data;
    if (filter->bufferProcs != NULL && selector == TSPI_FILTER_START) {
        TsPiBufferId buffer = NULL;
        filter->bufferProcs->allocateProc(16, &buffer);
    }
    *result = TSPI_NO_ERR;
}
