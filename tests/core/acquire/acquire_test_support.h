#pragma once

// Pages, a pump and an allocator for the acquisition tests, around a real
// tile store.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "acquire/c_twain.h"
#include "acquire/twain_ports.h"
#include "core/model/test_store.h"
#include "fake_source_manager.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"

namespace tessary::test {

// A CTwain that records every state it passes through.
class RecordingTwain : public CTwain {
public:
    std::vector<std::int32_t> states;
    int failuresReported = 0;

protected:
    void stateChanged(std::int32_t) override { states.push_back(state()); }
    void reportFailure(int) override { ++failuresReported; }
};

// The application's side: pages from a real store, kept when finished.
class CollectingPages : public AcquiredPagePort {
public:
    explicit CollectingPages(const PageEnvironment& environment) : m_environment(environment) {}
    std::unique_ptr<Page> newPage() override {
        ++made;
        return std::make_unique<Page>(m_environment);
    }
    void pageAcquired(std::unique_ptr<Page> page) override { pages.push_back(std::move(page)); }

    int made = 0;
    std::vector<std::unique_ptr<Page>> pages;

private:
    PageEnvironment m_environment;
};

class CountingPump : public TwainMessagePump {
public:
    bool runEvents() override { return ++rounds <= closeAfter; }
    int rounds = 0;
    int closeAfter = 1000;  // the application closes after this many rounds
};

// Refuses the first `refusals` requests; records every size asked for.
class RefusingAllocator : public TransferAllocator {
public:
    explicit RefusingAllocator(int refusals) : m_refusals(refusals) {}
    void* allocate(std::size_t bytes) override {
        sizes.push_back(bytes);
        return m_refusals-- > 0 ? nullptr : std::malloc(bytes);
    }
    void release(void* block) override { std::free(block); }
    std::vector<std::size_t> sizes;

private:
    int m_refusals;
};

struct AcquireRig {
    TestStore store{256, 0};
    BlendTable blend;
    PageDataList list;
    PageEnvironment environment{store.store(), &list, blend};
    CollectingPages pages{environment};
    CountingPump pump;
    RecordingTwain twain;

    CTwain::AcquireServices services(TransferAllocator* allocator = nullptr) {
        CTwain::AcquireServices s;
        s.pump = &pump;
        s.pages = &pages;
        s.allocator = allocator;
        return s;
    }
};

// Plane `plane` of the page's current state, row by row over the image.
inline std::vector<std::uint8_t> planeOf(const Page& page, int plane) {
    const PageData& data = *page.pageData();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(data.width()) * data.height());
    for (std::int32_t y = 0; y < data.height(); ++y)
        data.readRow(plane, 0, y, data.width(), out.data() + std::size_t(y) * data.width());
    return out;
}

// An RGB image whose sample (x, y, c) is 40 x c + 7 x x + 3 x y + seed.
inline FakeImage rgbImage(TW_INT32 width, TW_INT32 height, int seed = 0) {
    FakeImage image;
    image.width = width;
    image.height = height;
    image.bytesPerRow = static_cast<TW_UINT32>(width) * 3;
    for (TW_INT32 y = 0; y < height; ++y)
        for (TW_INT32 x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image.raster.push_back(static_cast<std::uint8_t>(40 * c + 7 * x + 3 * y + seed));
    return image;
}

// Channel c of an rgbImage() raster, `width` pixels per row.
inline std::vector<std::uint8_t> channelOf(const FakeImage& image, int c, TW_INT32 width,
                                           TW_INT32 height) {
    std::vector<std::uint8_t> out;
    for (TW_INT32 y = 0; y < height; ++y)
        for (TW_INT32 x = 0; x < width; ++x)
            out.push_back(
                image.raster[std::size_t(y) * image.bytesPerRow + std::size_t(x) * 3 + c]);
    return out;
}

}  // namespace tessary::test
