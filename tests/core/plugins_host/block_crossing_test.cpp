// Module data a module keeps in the shared area crosses to the editor by
// offset, and the editor refuses any shape that would reach past the area.

#include "plugins/block_crossing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "plugins/plug_in_record.h"

namespace tessary {
namespace {

struct Link {
    Link() {
        EXPECT_TRUE(editorArea.create());
        EXPECT_TRUE(helperArea.adopt(::dup(editorArea.descriptor())));
        EXPECT_TRUE(editor.reset(kPlugInKindFormat));
        EXPECT_TRUE(helper.reset(kPlugInKindFormat));
    }
    // Crosses the helper's block to the editor's; false when the editor
    // refuses it.
    bool cross(BlockCrossing::Occasion occasion = {true, true}) {
        LinkWriter out;
        int passFd = -1;
        if (!helper.encode(&helperBlock, occasion, out, passFd)) return false;
        LinkReader in(out.bytes().data(), out.bytes().size());
        return editor.decode(in, &editorBlock, -1);
    }
    SharedArea editorArea;
    SharedArea helperArea;
    BlockCrossing editor{BlockCrossing::Side::Editor, editorArea};
    BlockCrossing helper{BlockCrossing::Side::Helper, helperArea};
    TsPiFormatBlock helperBlock{};
    TsPiFormatBlock editorBlock{};
};

void describeBand(TsPiFormatBlock& block, void* data, std::int16_t width, std::int16_t rows,
                  std::int16_t planes, std::int16_t colBytes, std::int32_t rowBytes) {
    block.data = data;
    block.theRect = TsPiRect{0, 0, rows, width};
    block.loPlane = 0;
    block.hiPlane = static_cast<std::int16_t>(planes - 1);
    block.colBytes = colBytes;
    block.rowBytes = rowBytes;
}

TEST(BlockCrossing, ABufferInTheAreaCrossesByOffsetAndTheAreaCoversItsShape) {
    // Interleaved and planar bands in a buffer of exactly their size at the
    // end of the area: the shape's bound reaches past the buffer.
    struct Case {
        std::int16_t planes, colBytes;
        std::int32_t rowBytes;
    };
    for (const Case c : {Case{3, 3, 300}, Case{3, 1, 100}}) {
        Link link;
        const std::uint64_t bytes = std::uint64_t{40} * c.rowBytes * (c.colBytes == 1 ? 3 : 1);
        std::uint8_t* buffer = link.helperArea.slot(kSlotModuleBuffers, bytes);
        ASSERT_NE(buffer, nullptr);
        describeBand(link.helperBlock, buffer, 100, 40, c.planes, c.colBytes, c.rowBytes);
        buffer[bytes - 1] = 0x5a;
        ASSERT_TRUE(link.cross()) << c.colBytes;
        const auto* seen = static_cast<std::uint8_t*>(link.editorBlock.data);
        ASSERT_TRUE(link.editorArea.contains(seen));
        EXPECT_EQ(link.editorArea.offsetOf(seen), link.helperArea.offsetOf(buffer));
        EXPECT_EQ(seen[bytes - 1], 0x5a);
        // The same memory, not a copy: the editor's writes reach the module.
        const_cast<std::uint8_t*>(seen)[0] = 0x17;
        EXPECT_EQ(buffer[0], 0x17);
    }
}

TEST(BlockCrossing, TheEditorRefusesAKeptPointerWhoseShapeGrowsPastTheArea) {
    Link link;
    std::uint8_t* buffer = link.helperArea.slot(kSlotModuleBuffers, 64 << 10);
    ASSERT_NE(buffer, nullptr);
    describeBand(link.helperBlock, buffer, 100, 40, 3, 3, 300);
    ASSERT_TRUE(link.cross());
    // A crossing that does not grow the area (as a hostile helper would
    // send it) keeps the pointer but describes rows far past the area.
    link.helperBlock.rowBytes = 1 << 30;
    EXPECT_FALSE(link.cross(BlockCrossing::Occasion{true, false}));
    // A pointer outside the area is never taken either.
    Link other;
    std::uint8_t own[256];
    describeBand(other.helperBlock, own, 8, 8, 1, 1, 8);
    ASSERT_TRUE(other.cross());
    EXPECT_FALSE(other.editorArea.contains(own));
    EXPECT_TRUE(other.editorArea.contains(other.editorBlock.data));
}

}  // namespace
}  // namespace tessary
