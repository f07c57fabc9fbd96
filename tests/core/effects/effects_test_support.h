#pragma once

// A test bench for the effects: a real tile store, small pages of every
// plane layout, whole-plane reads from the current state and the state
// before the change, a progress window that counts steps and can answer
// "cancel" after a given number of them, and the context the commands take.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "core/model/test_store.h"
#include "effects/framework/effect_context.h"
#include "effects/neighbourhood/noise_generator.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "platform/worker_pool.h"

namespace tessary::test {

using Plane = std::vector<std::uint8_t>;

// What the fake progress windows saw, kept by the factory so that tests can
// look at it after the run destroyed its window.
struct ProgressLog {
    int windowsMade = 0;
    int windowsDestroyed = 0;
    std::int16_t lastStyle = 0;
    std::string line0;
    std::string line1;
    std::uint32_t delay = 0;
    int updates = 0;
    std::int32_t lastDone = 0;
    std::int32_t lastTotal = 0;
    bool closed = false;
    // Answer "cancel" from the update with this number on (1-based); 0 never.
    int cancelAtUpdate = 0;
    // Called at every update, before the answer.
    std::function<void()> onUpdate;
};

class FakeProgress : public ProgressPort {
public:
    explicit FakeProgress(ProgressLog& log) : m_log(log) {}
    ~FakeProgress() override { ++m_log.windowsDestroyed; }
    void setDelay(std::uint32_t ms) override { m_log.delay = ms; }
    bool update(std::int32_t done, std::int32_t total) override {
        ++m_log.updates;
        if (m_log.onUpdate) m_log.onUpdate();
        m_log.lastDone = done;
        m_log.lastTotal = total;
        return m_log.cancelAtUpdate > 0 && m_log.updates >= m_log.cancelAtUpdate;
    }
    bool updateSecond(std::int32_t, std::int32_t) override { return false; }
    bool checkCancel() override { return false; }
    bool setCancellable(bool cancellable) override { return cancellable; }
    void setText(int line, std::string_view text) override {
        (line == 0 ? m_log.line0 : m_log.line1) = std::string(text);
    }
    void setPair(int, std::int16_t, std::int16_t) override {}
    void close(bool) override { m_log.closed = true; }

private:
    ProgressLog& m_log;
};

class FakeProgressFactory : public ProgressFactory {
public:
    ProgressLog log;
    std::unique_ptr<ProgressPort> create(std::int16_t style) override {
        ++log.windowsMade;
        log.lastStyle = style;
        return std::make_unique<FakeProgress>(log);
    }
};

// The threads the rig's pages compute on: TESSARY_TEST_THREADS when set (0
// means all cores), else 1. The thread-sanitizer build runs the effect tests
// at 1 and at 4.
inline int testThreads() {
    const char* value = std::getenv("TESSARY_TEST_THREADS");
    return value ? WorkerPool::resolveThreadCount(std::atoi(value)) : 1;
}

// Pages on a store of `slots` memory slots, with the objects a context
// needs. Each test builds its own.
class EffectsRig {
public:
    explicit EffectsRig(std::uint32_t slots = 512, std::uint32_t swapKB = 0)
        : context{.opacity = 255,
                  .foreground = 0,
                  .background = 0xFFFFFF,
                  .progress = factory,
                  .noise = noise,
                  .lastFilter = lastFilter},
          m_store(slots, swapKB) {}

    VMTile& store() { return m_store.store(); }
    const BlendTable& blend() const { return m_blend; }

    // A page of `type` and size whose planes hold `planes` (each width x
    // height samples; the count sets the layout: grey 1-2 (+ float 3),
    // RGB 3-4 (+ float 7)). A page with a mask gets the selection rectangle
    // `selection` (default: the whole image).
    std::unique_ptr<Page> makePage(std::int32_t type, std::int32_t width, std::int32_t height,
                                   const std::vector<Plane>& planes, Rect selection = Rect{}) {
        auto page = std::make_unique<Page>(
            PageEnvironment{store(), &m_list, m_blend, PageData::kMaxUndo, &workers});
        const int colour = type == Page::kTypeGrey ? 1 : 3;
        const int shaped = std::min<int>(static_cast<int>(planes.size()), colour + 1);
        std::vector<std::uint8_t> fills(64, 0);
        EXPECT_TRUE(page->shape(type, width, height, shaped, fills.data()));
        for (int p = shaped; p < static_cast<int>(planes.size()); ++p) {
            EXPECT_TRUE(page->pageData()->insertPlane(p, 0));
        }
        for (int p = 0; p < static_cast<int>(planes.size()); ++p) write(*page, p, planes[p]);
        if (static_cast<int>(planes.size()) > colour) {
            page->setSelectionRect(selection.empty() ? Rect{0, 0, width, height} : selection);
        }
        return page;
    }

    static void write(Page& page, int plane, const Plane& samples) {
        PageData& data = *page.pageData();
        for (std::int32_t y = 0; y < data.height(); ++y) {
            ASSERT_TRUE(data.writeRow(plane, 0, y, data.width(),
                                      samples.data() + static_cast<std::size_t>(y) * data.width()));
        }
    }

    // The samples of (0, 0)-(width, height) of a plane of the current state.
    static Plane read(const Page& page, int plane) {
        const PageData& data = *page.pageData();
        Plane out(static_cast<std::size_t>(data.width()) * data.height());
        for (std::int32_t y = 0; y < data.height(); ++y) {
            data.readRow(plane, 0, y, data.width(),
                         out.data() + static_cast<std::size_t>(y) * data.width());
        }
        return out;
    }

    WorkerPool workers{testThreads()};
    FakeProgressFactory factory;
    NoiseGenerator noise;
    std::unique_ptr<Filter> lastFilter;
    EffectContext context;

private:
    TestStore m_store;
    PageDataList m_list;
    BlendTable m_blend;
};

// Deterministic samples for test images (a small generator of our own, not
// the one under test).
inline Plane patternPlane(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    Plane out(static_cast<std::size_t>(width) * height);
    std::uint32_t s = seed * 2654435761u + 12345u;
    for (auto& v : out) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        v = static_cast<std::uint8_t>(s >> 7);
    }
    return out;
}

inline Plane constantPlane(std::int32_t width, std::int32_t height, std::uint8_t value) {
    return Plane(static_cast<std::size_t>(width) * height, value);
}

// Compares two planes; on a mismatch writes both as PGM files beside the
// test log (the working folder) and reports the first differing sample.
inline ::testing::AssertionResult samePlane(const Plane& actual, const Plane& expected,
                                            std::int32_t width, const std::string& name) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure() << name << ": sizes differ";
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            const std::int32_t height = static_cast<std::int32_t>(actual.size() / width);
            for (const auto& [suffix, plane] : {std::pair{std::string("actual"), &actual},
                                                std::pair{std::string("expected"), &expected}}) {
                std::ofstream file(name + "_" + suffix + ".pgm", std::ios::binary);
                file << "P5\n" << width << " " << height << "\n255\n";
                file.write(reinterpret_cast<const char*>(plane->data()),
                           static_cast<std::streamsize>(plane->size()));
            }
            return ::testing::AssertionFailure()
                   << name << ": first difference at (" << i % width << ", " << i / width
                   << "): " << int{actual[i]} << " instead of " << int{expected[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

// T[a][b] from its definition, independent of the model's table.
inline std::uint8_t product(int a, int b) {
    if (a < 128) return static_cast<std::uint8_t>(a * b / 255);
    return static_cast<std::uint8_t>(b - (255 - a) * b / 255);
}

// The opacity blend and the mask blend from their definitions.
inline std::uint8_t opacityMix(int opacity, int orig, int filtered) {
    return static_cast<std::uint8_t>(product(255 - opacity, orig) + product(opacity, filtered));
}
inline std::uint8_t maskMix(int mask, int orig, int filtered) {
    return static_cast<std::uint8_t>(product(mask, filtered) + product(255 - mask, orig));
}

}  // namespace tessary::test
