// What the editor reads from a module host process: a block crossing of any
// content, for every kind of block, applied to the editor's block. Whatever
// the helper sends, the decode either refuses it or leaves every pointer
// field null, unchanged, or inside the shared area.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "plugins/block_crossing.h"
#include "plugins/module_link.h"

namespace {

constexpr std::size_t kMaxInput = 16384;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessary;
    static SharedArea area;
    static const bool made = area.create() && area.slot(kSlotInput, 1 << 16) != nullptr;
    if (!made) std::abort();
    if (size < 1 || size > kMaxInput) return 0;
    const std::int32_t kind = 1 + data[0] % 4;
    BlockCrossing crossing(BlockCrossing::Side::Editor, area);
    if (!crossing.reset(kind)) std::abort();
    // A well-formed start (the area's size and the block's bytes, taken
    // from the input), so that the fuzzer spends its time on the tags.
    const std::size_t blockSize = blockLayoutOf(kind)->size;
    const std::size_t taken = std::min(size - 1, blockSize);
    std::uint8_t raw[2048] = {};
    std::memcpy(raw, data + 1, taken);
    LinkWriter message;
    message.put(area.size());
    message.putBytes(raw, blockSize);
    const std::size_t at = message.position();
    message.bytes().resize(at + (size - 1 - taken));
    std::memcpy(message.bytes().data() + at, data + 1 + taken, size - 1 - taken);
    alignas(std::max_align_t) std::uint8_t block[2048] = {};
    LinkReader in(message.bytes().data(), message.bytes().size());
    if (!crossing.decode(in, block, -1)) return 0;
    for (const BlockField& field : blockLayoutOf(kind)->fields) {
        if (field.role != FieldRole::HostData && field.role != FieldRole::ModuleData) continue;
        void* value = fieldAt<void*>(block, field.offset);
        if (value != nullptr && !area.contains(value)) std::abort();
    }
    return 0;
}
