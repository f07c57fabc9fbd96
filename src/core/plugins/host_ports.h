#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

class Page;

// What the plug-in host needs from the world outside the engine. The shell
// implements these with its windows and dialogs; tests implement them with
// fakes. Every port is used on the user-interface thread only.

// The image view a filter runs from: its page, and the history offset with
// which the view repaints (1 shows the image as it was before the open
// change, so the window keeps showing the old pixels while a filter works).
class PlugInView {
public:
    virtual ~PlugInView() = default;
    // The view's page; null when the view shows none.
    virtual Page* page() = 0;
    virtual std::int32_t historyOffset() const = 0;
    virtual void setHistoryOffset(std::int32_t offset) = 0;
};

// One window-system event a module hands back while it shows its own window:
// window, message, two parameters, time, x, y, seven 32-bit words as the
// module wrote them.
using PlugInEvent = std::array<std::uint32_t, 7>;

// Lets the application process an event a module received, and pumps
// pending messages so the application stays responsive while a module runs.
class MessagePumpPort {
public:
    virtual ~MessagePumpPort() = default;
    virtual void dispatchEvent(const PlugInEvent& event) = 0;
};

// The system colour dialog.
class ColourChooserPort {
public:
    virtual ~ColourChooserPort() = default;
    // Shows the dialog starting at `initial` (red in bits 0-7, green 8-15,
    // blue 16-23). True with the chosen colour in `chosen` when the user
    // confirms; false (chosen untouched) when the user cancels.
    virtual bool chooseColour(std::uint32_t initial, std::uint32_t& chosen) = 0;
};

// An uncompressed top-down bitmap built from pixels a module asks the host
// to show. 8 bits per pixel index `palette` (entry i is grey i, as 0x00RRGGBB);
// 32 bits per pixel hold blue, green, red and a zero byte. Rows are
// `rowBytes` apart (a multiple of 4).
struct HostBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bitsPerPixel = 0;
    std::int64_t rowBytes = 0;
    std::vector<std::uint8_t> pixels;
    std::array<std::uint32_t, 256> palette{};
};

// Draws bitmaps for modules that show previews in their own windows.
class PixelDisplayPort {
public:
    virtual ~PixelDisplayPort() = default;
    // Copies `bitmap` unscaled to (destinationColumn, destinationRow), in the
    // logical units of the drawing context the module passed (an opaque
    // value of the window system, possibly null).
    virtual void drawBitmap(const HostBitmap& bitmap, std::int32_t destinationRow,
                            std::int32_t destinationColumn, void* platformContext) = 0;
};

// Memory the host may offer modules.
class MemoryStatusPort {
public:
    virtual ~MemoryStatusPort() = default;
    // The virtual memory still available to the process, in bytes.
    virtual std::uint64_t availableVirtualBytes() = 0;
};

// Where images delivered by an import module go: each becomes a new
// document of the application.
class PlugInDocumentPort {
public:
    virtual ~PlugInDocumentPort() = default;
    // Creates a new visible document holding `page` (already marked
    // modified) and, when `title` is not empty, gives it that title; an
    // empty title leaves the document's default. Returns whether a document
    // was made. The page is the port's in either case (it is destroyed when
    // no document was made).
    virtual bool openImportedPage(std::unique_ptr<Page> page, std::string_view title) = 0;
};

// How a question to the user ended.
enum class QuestionAnswer {
    Answered,      // the answer is written
    Cancelled,     // the user declined
    NotAvailable,  // nobody here can answer (no dialogs, nothing scripted)
};

// A file a module asks for. `filter` lists choices separated by ";;", each
// "Description (*.ext ...)"; empty means any file. `suggestedName` (save
// questions only) is a name without folder, possibly empty.
struct FileQuestion {
    std::string title;
    std::string filter;
    std::string suggestedName;
};

// One number a module asks for: `key` names it for scripts, `label` for the
// user; `value` is the starting value (within minimum ... maximum) and
// receives the answer.
struct NumberQuestion {
    std::string key;
    std::string label;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t value = 0;
};

// Answers the questions modules ask the user: the editor with its dialogs,
// the batch program and tests from a script. Answers are checked by the
// host (a number outside its range is moved into it, an empty path counts
// as cancelled), so a port need not repeat those checks.
class ModuleQuestions {
public:
    virtual ~ModuleQuestions() = default;
    // An existing file to read; its full path in `path` when Answered.
    virtual QuestionAnswer askOpenFile(const FileQuestion& question, std::string& path) = 0;
    // A file to write (the user has agreed to replace an existing one).
    virtual QuestionAnswer askSaveFile(const FileQuestion& question, std::string& path) = 0;
    // Several numbers at once; every value holds its answer when Answered
    // and is left alone otherwise.
    virtual QuestionAnswer askNumbers(std::string_view title,
                                      std::vector<NumberQuestion>& numbers) = 0;
};

}  // namespace tessary
