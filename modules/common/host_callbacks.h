#pragma once

#include <cstdint>

namespace tessary::modules {

// Calls on the host's procedures, shared by every kind of block (each has
// abortProc and progressProc fields). A missing procedure means "never
// cancelled" and "no progress shown".

template <class Block>
bool userCancelled(const Block* block) {
    return block->abortProc != nullptr && block->abortProc() != 0;
}

template <class Block>
void reportProgress(const Block* block, std::int32_t done, std::int32_t total) {
    if (block->progressProc != nullptr) block->progressProc(done, total);
}

}  // namespace tessary::modules
