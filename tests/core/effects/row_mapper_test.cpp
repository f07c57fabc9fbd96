#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "effects/framework/row_operations.h"

// RowMapper picks a faster routine for the identity and complement tables;
// whatever it picks, its bytes must equal the plain lookup's, in place or
// not, at any length and any alignment.

namespace tessary {
namespace {

using Table = std::array<std::uint8_t, 256>;

Table tableOf(int (*f)(int)) {
    Table t{};
    for (int v = 0; v < 256; ++v) t[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(f(v));
    return t;
}

std::vector<std::uint8_t> samples(std::size_t count) {
    std::vector<std::uint8_t> v(count);
    std::uint32_t s = 12345;
    for (auto& x : v) x = static_cast<std::uint8_t>((s = s * 1103515245u + 12345u) >> 23);
    return v;
}

TEST(RowMapper, ChoosesTheRoutineFromTheTable) {
    EXPECT_EQ(RowMapper(tableOf([](int v) { return v; }).data()).kind(),
              RowMapper::Kind::Identity);
    EXPECT_EQ(RowMapper(tableOf([](int v) { return 255 - v; }).data()).kind(),
              RowMapper::Kind::Complement);
    // One entry off either shape needs the lookup.
    EXPECT_EQ(RowMapper(tableOf([](int v) { return v == 200 ? 201 : 255 - v; }).data()).kind(),
              RowMapper::Kind::Lookup);
    EXPECT_EQ(RowMapper(tableOf([](int v) { return v == 0 ? 1 : v; }).data()).kind(),
              RowMapper::Kind::Lookup);
}

TEST(RowMapper, GivesTheLookupsBytesInPlaceAndNotAtEveryLengthAndOffset) {
    const std::array<Table, 4> tables = {
        tableOf([](int v) { return v; }), tableOf([](int v) { return 255 - v; }),
        tableOf([](int v) { return (v * 7 + 3) & 0xFF; }),
        tableOf([](int v) { return v < 128 ? 0 : 255; })};
    const std::vector<std::uint8_t> source = samples(1100);
    for (const Table& table : tables) {
        const RowMapper mapper(table.data());
        for (std::size_t offset : {0u, 1u, 7u}) {
            for (std::int64_t count : {0, 1, 15, 16, 17, 33, 1000}) {
                std::vector<std::uint8_t> expected(source.size(), 0xA5);
                mapRow(source.data() + offset, expected.data() + offset, table.data(), count);

                std::vector<std::uint8_t> copied(source.size(), 0xA5);
                mapper(source.data() + offset, copied.data() + offset, count);
                EXPECT_EQ(copied, expected) << "offset " << offset << " count " << count;

                // In place: the bytes outside the row stay the source's.
                std::vector<std::uint8_t> inPlace = source;
                mapper(inPlace.data() + offset, inPlace.data() + offset, count);
                for (std::size_t i = 0; i < source.size(); ++i) {
                    const bool inside = i >= offset && i < offset + static_cast<std::size_t>(count);
                    ASSERT_EQ(inPlace[i], inside ? expected[i] : source[i])
                        << "offset " << offset << " count " << count << " at " << i;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tessary
