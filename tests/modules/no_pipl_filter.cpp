// A filter without any property list: the host registers it from its file
// name and calls ENTRYPOINT1.
#include "module_entry.h"

TESSARY_TEST_ENTRY(ENTRYPOINT1)
