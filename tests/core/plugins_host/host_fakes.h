#pragma once

// Fakes of the ports the plug-in host declares: the progress window, the
// image view, the document factory, the message pump, the colour dialog,
// the pixel display and the memory figures.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/page.h"
#include "model/progress_port.h"
#include "plugins/host_ports.h"

namespace tessary::test {

// Records what the host tells the progress window; answers "cancelled" from
// the `cancelAt`-th question on (checks and updates both count), or never.
class FakeProgress : public ProgressPort {
public:
    int cancelAt = -1;
    int questions = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> updates;
    std::vector<std::uint32_t> delays;
    std::string text[2];
    int closes = 0;

    void setDelay(std::uint32_t ms) override { delays.push_back(ms); }
    bool update(std::int32_t done, std::int32_t total) override {
        updates.emplace_back(done, total);
        return answer();
    }
    bool updateSecond(std::int32_t, std::int32_t) override { return answer(); }
    bool checkCancel() override { return answer(); }
    bool setCancellable(bool cancellable) override { return cancellable; }
    void setText(int line, std::string_view value) override {
        if (line == 0 || line == 1) text[line] = std::string(value);
    }
    void setPair(int, std::int16_t, std::int16_t) override {}
    void close(bool) override { ++closes; }

private:
    bool answer() {
        ++questions;
        return cancelAt >= 0 && questions >= cancelAt;
    }
};

// A view over one page, logging the history offsets it is given.
class FakeView : public PlugInView {
public:
    explicit FakeView(Page* page) : m_page(page) {}
    Page* page() override { return m_page; }
    std::int32_t historyOffset() const override { return m_offset; }
    void setHistoryOffset(std::int32_t offset) override {
        m_offset = offset;
        offsets.push_back(offset);
    }
    std::vector<std::int32_t> offsets;

private:
    Page* m_page;
    std::int32_t m_offset = 0;
};

// The documents an import made, with their titles.
class FakeDocuments : public PlugInDocumentPort {
public:
    bool refuse = false;
    int offered = 0;
    struct Document {
        std::unique_ptr<Page> page;
        std::string title;
    };
    std::vector<Document> documents;

    bool openImportedPage(std::unique_ptr<Page> page, std::string_view title) override {
        ++offered;
        if (refuse) return false;
        documents.push_back(Document{std::move(page), std::string(title)});
        return true;
    }
};

class FakeMemory : public MemoryStatusPort {
public:
    std::uint64_t bytes = std::uint64_t{1} << 30;
    std::uint64_t availableVirtualBytes() override { return bytes; }
};

class FakePump : public MessagePumpPort {
public:
    std::vector<PlugInEvent> events;
    void dispatchEvent(const PlugInEvent& event) override { events.push_back(event); }
};

class FakeChooser : public ColourChooserPort {
public:
    bool confirm = true;
    std::uint32_t answer = 0;
    std::vector<std::uint32_t> initials;
    bool chooseColour(std::uint32_t initial, std::uint32_t& chosen) override {
        initials.push_back(initial);
        if (confirm) chosen = answer;
        return confirm;
    }
};

class FakeDisplay : public PixelDisplayPort {
public:
    struct Drawn {
        HostBitmap bitmap;
        std::int32_t row;
        std::int32_t column;
        void* context;
    };
    std::vector<Drawn> drawn;
    void drawBitmap(const HostBitmap& bitmap, std::int32_t row, std::int32_t column,
                    void* context) override {
        drawn.push_back(Drawn{bitmap, row, column, context});
    }
};

}  // namespace tessary::test
