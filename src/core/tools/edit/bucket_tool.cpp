#include "tools/edit/bucket_tool.h"

namespace tessary {

BucketTool::BucketTool(ToolGlobals& globals) : Tool(globals) {
    initialise();
}

void BucketTool::initialise() {
    setAll(14, 18);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

}  // namespace tessary
