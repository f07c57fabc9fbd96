#include "plugins/pipl_properties.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/plugins/pipl_reference.h"

namespace tessary {
namespace {

using test::Bytes;
using test::fourCC;
using test::PiPLWriter;

std::int16_t get(const Bytes& pipl, std::string_view key, std::span<std::uint8_t> out,
                 std::int32_t size) {
    return GetPiPLProperty(pipl, fourCC(key), out, size);
}

TEST(PiPLProperties, VersionAndCountAreChecked) {
    std::array<std::uint8_t, 4> out{};
    EXPECT_EQ(get(PiPLWriter().word("kind", 1).version(1).build(), "kind", out, 4),
              kPiPLNotVersionZero);
    EXPECT_EQ(get(PiPLWriter().word("kind", 1).version(0x80000000u).build(), "kind", out, 4),
              kPiPLNotVersionZero);
    EXPECT_EQ(get(PiPLWriter().word("kind", 1).count(0).build(), "kind", out, 4),
              kPiPLPropertyNotFound);
    EXPECT_EQ(get(PiPLWriter().word("kind", 1).count(0xFFFFFFFFu).build(), "kind", out, 4),
              kPiPLPropertyNotFound);
    EXPECT_EQ(get(PiPLWriter().word("kind", 1).build(), "kind", out, 4), kPiPLFound);
    // Shorter than the list's header: treated as a list of another version.
    const Bytes whole = PiPLWriter().word("kind", 1).build();
    for (std::size_t size = 0; size < 10; ++size)
        EXPECT_EQ(get(Bytes(whole.begin(), whole.begin() + size), "kind", out, 4),
                  kPiPLNotVersionZero)
            << size;
}

// For every data length 0 to 11 (and so every amount of padding) the
// property after it is found at 16 + length rounded up to 4.
TEST(PiPLProperties, WalkPadsEachPropertyToFourBytes) {
    for (std::uint8_t length = 0; length < 12; ++length) {
        const Bytes pipl =
            PiPLWriter().bytes("abcd", Bytes(length, 0xAA)).word("next", 0x01020304).build();
        std::array<std::uint8_t, 4> out{};
        ASSERT_EQ(get(pipl, "next", out, 4), kPiPLFound) << int(length);
        EXPECT_EQ(out, (std::array<std::uint8_t, 4>{4, 3, 2, 1})) << int(length);
    }
}

TEST(PiPLProperties, FirstMatchingKeyWinsAndVendorAndIdAreIgnored) {
    PiPLWriter writer;
    writer.add({fourCC("XXXX"), fourCC("name"), 77, {1, 'A'}, std::nullopt, true});
    writer.pascal("name", "B");
    std::array<std::uint8_t, 2> out{};
    ASSERT_EQ(get(writer.build(), "name", out, -1), kPiPLFound);
    EXPECT_EQ(out, (std::array<std::uint8_t, 2>{1, 'A'}));
    EXPECT_EQ(get(writer.build(), "catg", out, -1), kPiPLPropertyNotFound);
}

TEST(PiPLProperties, CopiesTheWantedSizeOrTheWholeProperty) {
    const Bytes pipl = PiPLWriter().bytes("data", {1, 2, 3, 4, 5, 6}).build();
    std::array<std::uint8_t, 8> out{};
    out.fill(0xEE);
    ASSERT_EQ(get(pipl, "data", out, 3), kPiPLFound);
    EXPECT_EQ(out, (std::array<std::uint8_t, 8>{1, 2, 3, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));

    out.fill(0xEE);
    ASSERT_EQ(get(pipl, "data", out, -1), kPiPLFound);
    EXPECT_EQ(out, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 0xEE, 0xEE}));

    // -1 never writes past the destination: the copy is cut to it.
    std::array<std::uint8_t, 4> small{};
    ASSERT_EQ(get(pipl, "data", small, -1), kPiPLFound);
    EXPECT_EQ(small, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
}

// A property shorter than the wanted size lands at the end of the
// destination; the bytes before it keep their values.
TEST(PiPLProperties, ShortPropertyIsRightAligned) {
    const Bytes pipl = PiPLWriter().bytes("mode", {0x11, 0x22}).bytes("none", {}).build();
    std::array<std::uint8_t, 4> out = {0xA0, 0xA1, 0xA2, 0xA3};
    ASSERT_EQ(get(pipl, "mode", out, 4), kPiPLFound);
    EXPECT_EQ(out, (std::array<std::uint8_t, 4>{0xA0, 0xA1, 0x11, 0x22}));

    out = {0xA0, 0xA1, 0xA2, 0xA3};
    ASSERT_EQ(get(pipl, "none", out, 4), kPiPLFound);
    EXPECT_EQ(out, (std::array<std::uint8_t, 4>{0xA0, 0xA1, 0xA2, 0xA3}));
}

// Lengths that run past the end stop the walk there: properties before the
// broken one are still found, those after it are not.
TEST(PiPLProperties, HostileLengthsAndCountsStayInsideTheList) {
    PiPLWriter writer;
    writer.word("good", 7);
    writer.add({fourCC("8BIM"), fourCC("bad!"), 0, {1, 2, 3, 4}, 0xFFFFFFF0u, true});
    writer.word("late", 9);
    const Bytes pipl = writer.build();
    std::array<std::uint8_t, 4> out{};
    EXPECT_EQ(get(pipl, "good", out, 4), kPiPLFound);
    EXPECT_EQ(get(pipl, "bad!", out, 4), kPiPLPropertyNotFound);
    EXPECT_EQ(get(pipl, "late", out, 4), kPiPLPropertyNotFound);

    // A length that reaches exactly the end is whole; one byte more is not.
    PiPLWriter exact;
    exact.add({fourCC("8BIM"), fourCC("last"), 0, {5, 6, 7}, std::nullopt, false});
    Bytes list = exact.build();
    EXPECT_EQ(get(list, "last", out, 3), kPiPLFound);
    list.pop_back();
    EXPECT_EQ(get(list, "last", out, 3), kPiPLPropertyNotFound);

    // A count far above the properties present ends at the list's end.
    EXPECT_EQ(get(PiPLWriter().word("only", 1).count(0x7FFFFFFF).build(), "miss", out, 4),
              kPiPLPropertyNotFound);
    // A header cut short is not a property.
    Bytes cut = PiPLWriter().word("only", 1).build();
    cut.resize(10 + 12);
    EXPECT_EQ(get(cut, "only", out, 4), kPiPLPropertyNotFound);
}

TEST(PiPLProperties, FindReportsTheDataSpan) {
    const Bytes pipl = PiPLWriter().cString("wx86", "Main").build();
    const PiPLPropertyLookup lookup = findPiPLProperty(pipl, fourCC("wx86"));
    ASSERT_EQ(lookup.code, kPiPLFound);
    ASSERT_EQ(lookup.data.size(), 5u);
    EXPECT_EQ(std::string(lookup.data.begin(), lookup.data.end()), std::string("Main\0", 5));
    EXPECT_EQ(lookup.data.data(), pipl.data() + 10 + 16);
}

}  // namespace
}  // namespace tessary
