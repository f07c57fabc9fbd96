// Entry point shared by the test modules: answers every selector with
// success and counts the calls in the module's private word, so a host test
// can tell that the module ran.
#pragma once

#include "tessary_plugin.h"

#define TESSARY_TEST_ENTRY(entryName)                                                  \
    TSPI_ENTRY void TSPI_CALL entryName(int16_t selector, void* block, intptr_t* data, \
                                        TsPiResult* result) {                          \
        (void)selector;                                                                \
        (void)block;                                                                   \
        if (data) *data += 1;                                                          \
        if (result) *result = TSPI_NO_ERR;                                             \
    }
