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
#include "acquire_test_images.h"
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

}  // namespace tessary::test
