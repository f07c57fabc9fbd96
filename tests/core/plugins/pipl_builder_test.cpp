// The SDK's compile-time property-list builder against the reference
// encoder, over texts of every length modulo 4 (every amount of padding).

#include <gtest/gtest.h>

#include "core/plugins/pipl_reference.h"
#include "tessary_pipl.h"

namespace tessary {
namespace {

using test::Bytes;
using test::PiPLWriter;

template <std::size_t N>
Bytes bytesOf(const tspi::Blob<N>& blob) {
    return Bytes(blob.bytes, blob.bytes + N);
}

template <std::size_t N>
void expectTextProperties(const char (&text)[N]) {
    const auto blob = tspi::pipl(16000 + static_cast<std::int32_t>(N), tspi::kind(TSPI_KIND_FORMAT),
                                 tspi::name(text), tspi::category(text), tspi::entryPoint(text),
                                 tspi::alternativeEntryPoint(text), tspi::readExtension("PCX"),
                                 tspi::readType("PCXF"), tspi::host(TSPI_HOST_ANY),
                                 tspi::modes(TSPI_MODE_FLAG(TSPI_MODE_INDEXED)));
    const std::string_view view(text, N - 1);
    const Bytes expected =
        test::sectionBlob(16000 + static_cast<std::int32_t>(N), PiPLWriter()
                                                                    .code("kind", "8BIF")
                                                                    .pascal("name", view)
                                                                    .pascal("catg", view)
                                                                    .cString("wx86", view)
                                                                    .cString("fx86", view)
                                                                    .text4("RdEx", "PCX")
                                                                    .text4("RdTy", "PCXF")
                                                                    .code("host", "    ")
                                                                    .word("mode", 0x2000)
                                                                    .build());
    EXPECT_EQ(bytesOf(blob), expected) << "text of " << (N - 1) << " characters";
}

TEST(PiPLBuilder, MatchesTheReferenceEncoding) {
    expectTextProperties("");
    expectTextProperties("a");
    expectTextProperties("ab");
    expectTextProperties("abc");
    expectTextProperties("abcd");
    expectTextProperties("abcde");
    expectTextProperties("Invert Colors");
}

TEST(PiPLBuilder, RawPropertiesAndNegativeIds) {
    constexpr unsigned char data[] = {9, 8, 7, 6, 5};
    const auto blob = tspi::pipl(-7, tspi::property(TSPI_FOURCC('a', 'b', 'c', 'd'), data));
    const Bytes expected =
        test::sectionBlob(-7, PiPLWriter().bytes("abcd", {9, 8, 7, 6, 5}).build());
    EXPECT_EQ(bytesOf(blob), expected);
    EXPECT_EQ(blob.kSize % 4, 0u);
}

}  // namespace
}  // namespace tessary
