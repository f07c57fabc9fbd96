// Compiled (not run) by sdk_layout_check.sh: the SDK headers as C++17, and
// the compile-time builder checked byte for byte against hand-written blobs.
#include "tessary_ask.h"
#include "tessary_pipl.h"
#include "tessary_plugin.h"

namespace {

template <size_t N, size_t M>
constexpr bool sameBytes(const unsigned char (&a)[N], const unsigned char (&b)[M]) {
    if (N != M) return false;
    for (size_t i = 0; i < N; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// One "kind" property: 16 header + 10 list header + 20 property = 46 bytes,
// padded to 48.
constexpr auto kKindOnly = tspi::pipl(7, tspi::kind(TSPI_KIND_FILTER));
constexpr unsigned char kKindOnlyBytes[] = {
    'T', 'S', 'P', 'I', 'P', 'L', '0', '1', 7, 0, 0, 0, 30, 0, 0, 0,  // blob header
    1,   0,   0,   0,   0,   0,   1,   0,   0, 0,                     // leading, version, count
    'M', 'I', 'B', '8', 'd', 'n', 'i', 'k', 0, 0, 0, 0, 4,  0, 0, 0,  // vendor, key, id, length
    'M', 'F', 'B', '8',                                               // 8BFM, little-endian
    0,   0};                                                          // blob padding
static_assert(sameBytes(kKindOnly.bytes, kKindOnlyBytes), "kind-only blob");

// A two-character name: data 3 bytes (length 2, 'a', 'b') and one byte of
// padding; then a mode word; id -2.
constexpr auto kNameAndMode =
    tspi::pipl(-2, tspi::name("ab"), tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_GRAYSCALE)));
constexpr unsigned char kNameAndModeBytes[] = {
    'T', 'S', 'P', 'I', 'P', 'L', '0', '1', 0xFE, 0xFF, 0xFF, 0xFF, 50,   0,   0,   0,   1,
    0,   0,   0,   0,   0,   2,   0,   0,   0,    'M',  'I',  'B',  '8',  'e', 'm', 'a', 'n',
    0,   0,   0,   0,   3,   0,   0,   0,   2,    'a',  'b',  0,    'M',  'I', 'B', '8', 'e',
    'd', 'o', 'm', 0,   0,   0,   0,   4,   0,    0,    0,    0x00, 0x40, 0,   0,   0,   0};
static_assert(sameBytes(kNameAndMode.bytes, kNameAndModeBytes), "name and mode blob");

// Read extension as text in file order, NUL-padded.
constexpr auto kExtension = tspi::readExtension("BMP");
static_assert(kExtension.data[0] == 'B' && kExtension.data[1] == 'M' && kExtension.data[2] == 'P' &&
                  kExtension.data[3] == 0,
              "read extension bytes");

}  // namespace

TSPI_DECLARE_PIPL(kDeclared, 16000, tspi::kind(TSPI_KIND_EXPORT), tspi::name("Check"));

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    auto* format = static_cast<TsPiFormatBlock*>(block);
    if (selector == TSPI_FORMAT_READ_START && format->fileSpec != nullptr) *data = 1;
    *result = TSPI_NO_ERR;
}
