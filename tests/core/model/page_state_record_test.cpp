#include "model/page_state_record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "test_store.h"

namespace tessary {
namespace {

using test::TestStore;

PageStateRecord sample() {
    PageStateRecord r;
    r.kind = 0x01020304;
    r.parameter = 0xA0B0C0D0;
    r.changed = Rect{-2, 3, 0x7FFFFFFF, 5};
    r.type = 5;
    r.selection = Rect{6, -7, 8, 0x12345678};
    r.horizontalResolution = 72.0;
    r.verticalResolution = 0.5;
    return r;
}

TEST(PageStateRecordTest, EncodesLittleEndianAtFixedOffsets) {
    // Written out by hand from the layout.
    const std::array<std::uint8_t, 64> expected = {
        0x04, 0x03, 0x02, 0x01,                          // 0 kind
        0xD0, 0xC0, 0xB0, 0xA0,                          // 4 parameter
        0xFE, 0xFF, 0xFF, 0xFF, 0x03, 0x00, 0x00, 0x00,  // 8 changed left, top
        0xFF, 0xFF, 0xFF, 0x7F, 0x05, 0x00, 0x00, 0x00,  //   right, bottom
        0x05, 0x00, 0x00, 0x00,                          // 24 type
        0x06, 0x00, 0x00, 0x00, 0xF9, 0xFF, 0xFF, 0xFF,  // 28 selection left, top
        0x08, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12,  //   right, bottom
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x52, 0x40,  // 44 72.0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x3F,  // 52 0.5
        0x00, 0x00, 0x00, 0x00,                          // 60 unused
    };
    const auto bytes = sample().encode();
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(PageStateRecord::decode(expected.data()), sample());
}

TEST(PageStateRecordTest, TravelsWithTheImageStateAndItsDuplicates) {
    TestStore ts;
    ImageData state(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(state.create(1, 10, 10, &fill));
    // A state that never had a record reads as zeros: undo kind 0.
    EXPECT_EQ(PageStateRecord::readFrom(state), PageStateRecord{});

    ASSERT_TRUE(sample().writeTo(state));
    EXPECT_EQ(PageStateRecord::readFrom(state), sample());
    ImageData copy(ts.store());
    ASSERT_TRUE(copy.duplicate(state));
    EXPECT_EQ(PageStateRecord::readFrom(copy), sample());

    PageStateRecord other = sample();
    other.kind = 21;
    ASSERT_TRUE(other.writeTo(copy));
    EXPECT_EQ(PageStateRecord::readFrom(copy).kind, 21u);
    EXPECT_EQ(PageStateRecord::readFrom(state).kind, 0x01020304u);
}

}  // namespace
}  // namespace tessary
