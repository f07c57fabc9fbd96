#pragma once

#include "tools/tool.h"

namespace tessary {

// Fills the connected area of similar colour with the foreground (action 14).
// The press itself does nothing yet.
class BucketTool final : public Tool {
public:
    explicit BucketTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
