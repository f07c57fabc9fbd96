#pragma once

// The engine set up for a benchmark: a tile store in a temporary folder of
// its own, sized as on a machine with 4 GB so that every tile fits in memory
// and no paging is measured, with the page-data list and blend table pages
// need. The folder is removed when the object goes.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data_list.h"
#include "platform/system_info.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace tessary::bench {

// A pretend machine: 4 GB of memory, any existing folder on a fixed drive
// with 1 GB free, a clock that stands still.
class BenchMachine : public platform::SystemInfo {
public:
    std::uint64_t physicalMemoryBytes() override { return std::uint64_t{4} << 30; }
    bool driveOf(const std::filesystem::path& folder, platform::DriveInfo& out) override {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) return false;
        out.kind = platform::DriveKind::Fixed;
        out.freeBytes = 1e9;
        return true;
    }
    std::uint32_t tickCount() override { return 0; }
};

class BenchStore {
public:
    BenchStore() : m_volumes(m_machine), m_store(platform::systemFileLayer(), m_machine) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
        m_folder = pattern;
        if (m_volumes.build(m_folder) != 0) throw std::runtime_error("no volume");
        m_volumes.setShare(0, 0);
        if (!m_store.initialise(m_volumes, 128, 128)) throw std::runtime_error("no tile store");
    }
    ~BenchStore() {
        m_pages.clear();
        m_store.shutDown();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    BenchStore(const BenchStore&) = delete;
    BenchStore& operator=(const BenchStore&) = delete;

    // A new RGB page of `width` x `height` whose planes hold `red`, `green`
    // and `blue`; it lives as long as the store.
    Page& newRgbPage(std::int32_t width, std::int32_t height, std::uint8_t red = 200,
                     std::uint8_t green = 150, std::uint8_t blue = 100) {
        m_pages.push_back(std::make_unique<Page>(PageEnvironment{m_store, &m_list, m_blend}));
        const std::uint8_t fills[3] = {red, green, blue};
        if (!m_pages.back()->shape(Page::kTypeRgb, width, height, 3, fills))
            throw std::runtime_error("no page");
        return *m_pages.back();
    }
    const BlendTable& blend() const { return m_blend; }

private:
    std::filesystem::path m_folder;
    BenchMachine m_machine;
    VolumeList m_volumes;
    VMTile m_store;
    PageDataList m_list;
    BlendTable m_blend;
    std::vector<std::unique_ptr<Page>> m_pages;
};

}  // namespace tessary::bench
