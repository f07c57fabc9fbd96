#pragma once

#include "acquire/c_twain.h"

namespace tessary {

// What the application's two acquisition commands do, for the editor and
// the batch program alike. Both run only when the source manager is loaded
// and no acquisition is running (state 2); otherwise they do nothing and
// report nothing.

// Result of AcquireCommand() when it did not run.
inline constexpr int kAcquireNotRun = -1;

// File > TWAIN > Select...: the manager's selection dialog. True when the
// user chose a source.
bool SelectSourceCommand(CTwain& twain);

// File > TWAIN > Acquire...: takes an empty page from the page port and
// acquires into it; when the acquisition succeeds the page is marked
// modified and handed to the port like every image before it, otherwise the
// image in progress is destroyed (images handed over before stay). Returns
// the result of CTwain::acquire(), or kAcquireNotRun.
int AcquireCommand(CTwain& twain, const CTwain::AcquireServices& services);

}  // namespace tessary
