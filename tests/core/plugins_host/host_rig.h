#pragma once

// What every plug-in host test stands on: a real tile store over a temporary
// folder, pages built on it, a plug-in folder holding copies of real test
// modules scanned by the discovery code, and a host over fake ports.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/plugins_host/host_fakes.h"
#include "core/vm/store_rig.h"
#include "host_probe.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"
#include "plugins/plug_in_scanner.h"
#include "support/temp_dir.h"

namespace tessary::test {

namespace fs = std::filesystem;

inline fs::path testModule(const std::string& name) {
    return fs::path(TESSARY_TEST_MODULE_DIR) / name;
}
inline fs::path shippedModule(const std::string& name) {
    return fs::path(TESSARY_PLUGIN_OUTPUT_DIR) / name;
}

// The blend of the design written out from its formula, independent of
// BlendTable: T[a][b] = floor(a b / 255) for a < 128, b - T[255 - a][b]
// otherwise; blend(m, x, y) = T[m][x] + T[255 - m][y].
inline int referenceProduct(int a, int b) {
    return a < 128 ? a * b / 255 : b - (255 - a) * b / 255;
}
inline std::uint8_t referenceBlend(int m, int x, int y) {
    return static_cast<std::uint8_t>(referenceProduct(m, x) + referenceProduct(255 - m, y));
}

struct HostRig {
    StoreRig store;
    PageDataList pages;
    BlendTable blend;
    FakeProgress progress;
    FakeMemory memory;
    PlugInHost host{progress, blend, memory};
    TempDir plugInFolder;
    PlugInList list;

    HostRig() {
        if (!store.start(physicalForSlots(1024), 0)) throw std::runtime_error("no tile store");
    }

    PageEnvironment environment() { return PageEnvironment{store.store, &pages, blend}; }

    // Copies modules into the plug-in folder (name -> file name) and scans it.
    void install(std::initializer_list<fs::path> modules) {
        for (const fs::path& module : modules)
            fs::copy_file(module, plugInFolder / module.filename(),
                          fs::copy_options::overwrite_existing);
        list.FreePlugInList();
        list.resetCounters();
        ScanPlugInFolder(list, plugInFolder.path());
    }

    PlugInRecord* find(std::string_view name) const {
        for (PlugInRecord* r = list.head(); r != nullptr; r = r->next.get())
            if (textOf(r->name) == name) return r;
        return nullptr;
    }
    PlugInRecord& record(std::string_view name) const {
        PlugInRecord* r = find(name);
        if (r == nullptr) throw std::runtime_error("no plug-in " + std::string(name));
        return *r;
    }

    // A page of `type` filled with the probe picture of `seed`.
    std::unique_ptr<Page> picture(std::int32_t type, std::int32_t width, std::int32_t height,
                                  std::int32_t seed) {
        auto page = std::make_unique<Page>(environment());
        const int planes = type == Page::kTypeGrey ? 1 : 3;
        if (!page->shapeWhite(type, width, height, planes)) throw std::runtime_error("shape");
        for (int p = 0; p < planes; ++p)
            fillPlane(*page, p, page->bounds(),
                      [&](std::int32_t x, std::int32_t y) { return probe::pixel(seed, p, x, y); });
        return page;
    }

    static void fillPlane(Page& page, int plane, const Rect& area,
                          const std::function<std::uint8_t(std::int32_t, std::int32_t)>& value) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(area.width()));
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            for (std::int32_t x = area.left; x < area.right; ++x) row[x - area.left] = value(x, y);
            if (!page.pageData()->writeRow(plane, area.left, y, area.width(), row.data()))
                throw std::runtime_error("write");
        }
    }
};

// The samples of `area` of a plane of the current state, row by row.
inline std::vector<std::uint8_t> samples(const Page& page, int plane, const Rect& area) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(area.width()) * area.height());
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        page.pageData()->readRow(
            plane, area.left, y, area.width(),
            out.data() + static_cast<std::size_t>(y - area.top) * area.width());
    return out;
}

inline std::vector<std::vector<std::uint8_t>> allPlanes(const Page& page) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int p = 0; p < page.planeCount(); ++p) out.push_back(samples(page, p, page.bounds()));
    return out;
}

inline std::vector<std::int16_t> selectorsOf(const probe::CallLog& log) {
    return std::vector<std::int16_t>(log.selectors,
                                     log.selectors + std::min(log.count, probe::kMaxCalls));
}

}  // namespace tessary::test
