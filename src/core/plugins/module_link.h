#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "tessary_plugin.h"

namespace tessary {

// What the editor and the module host (tessary-module-host, the helper
// process that loads one module and runs its calls) share: the shared pixel
// area, the framing of their messages, and how a parameter block crosses
// from one address space to the other.
//
// The two sides take turns: while one waits for a message the other runs,
// so nothing here locks. Everything one side reads from the other is
// checked (sizes, offsets, tags) and a message that does not check out ends
// the link.

// --- Shared area -----------------------------------------------------------

// A memfd mapped at one fixed address range on each side: the buffers the
// editor hands a module (input, output, mask, export data) live in it, and
// the helper copies module-owned pixels into it for the editor to read. The
// editor creates it and seals it against shrinking, so a size either side
// has seen stays mapped; either side may grow it (by appending regions).
class SharedArea {
public:
    // Address space reserved per side; the memfd never grows past it.
    static constexpr std::uint64_t kReserved = std::uint64_t{64} << 30;

    SharedArea() = default;
    ~SharedArea();
    SharedArea(const SharedArea&) = delete;
    SharedArea& operator=(const SharedArea&) = delete;

    // Editor: a new sealed memfd holding the control page. False on failure.
    bool create();
    // Helper: takes the editor's memfd (owned from now on) and maps what it
    // holds.
    bool adopt(int descriptor);
    // The cancel word at the start of the control page: the editor sets it
    // once the user has cancelled, so that the module's abort procedure
    // answers in the helper without a round trip. Null before mapping.
    volatile std::uint32_t* cancelWord() const {
        return m_size >= kControlBytes ? reinterpret_cast<volatile std::uint32_t*>(m_base)
                                       : nullptr;
    }
    static constexpr std::uint64_t kControlBytes = 4096;
    int descriptor() const { return m_fd; }

    // Maps `size` bytes after the other side grew the file: false when the
    // file is not that large (a lie) or the size exceeds the reservation.
    bool follow(std::uint64_t size);
    std::uint64_t size() const { return m_size; }

    // Storage of `bytes` bytes for `slot` (0 ... kSlots - 1), reused while it
    // is large enough, else appended at the end of the file (growing it).
    // Null when the area cannot grow.
    static constexpr int kSlots = 8;
    std::uint8_t* slot(int slot, std::uint64_t bytes);
    // Grows the file, when it is shorter, so that [0, end) is mapped. False
    // when it cannot.
    bool cover(std::uint64_t end);
    // Gives the memory of a slot's region back (it reads as zeros after);
    // the region stays the slot's for reuse.
    void releaseMemory(int slot);

    bool contains(const void* p) const;
    std::uint64_t offsetOf(const void* p) const;
    // The address of [offset, offset + bytes) when it lies inside the mapped
    // size, else null.
    std::uint8_t* at(std::uint64_t offset, std::uint64_t bytes) const;

private:
    bool reserve();
    bool mapTo(std::uint64_t size);

    int m_fd = -1;
    std::uint8_t* m_base = nullptr;
    std::uint64_t m_size = 0;
    struct Slot {
        std::uint64_t offset = 0;
        std::uint64_t capacity = 0;
    };
    Slot m_slots[kSlots];
};

// Slots of the area. The editor's buffers and the helper's copies of module
// data never share a slot.
enum SharedSlot : int {
    kSlotInput = 0,
    kSlotOutput = 1,
    kSlotMask = 2,
    kSlotExport = 3,
    kSlotModuleData = 4,
    // 5 ... 7: large buffers the helper's buffer suite serves to the module,
    // which then cross without a copy.
    kSlotModuleBuffers = 5,
};
inline constexpr int kModuleBufferSlots = SharedArea::kSlots - kSlotModuleBuffers;

// --- Messages ---------------------------------------------------------------

enum class LinkMessage : std::uint32_t {
    // editor -> helper
    Load = 1,   // module path, entry name, main window cell
    Call = 2,   // selector, block, plug-in data word
    Reply = 3,  // the answer to a callback
    // helper -> editor
    Loaded = 10,    // load result and the loader's message
    Callback = 11,  // a host procedure the module called
    Return = 12,    // the call's result, block and plug-in data word
};

// The host procedures the helper forwards.
enum class LinkCallback : std::uint32_t {
    Abort = 1,     // (answered in the helper from the cancel word)
    Progress = 2,  // one way: the helper does not wait for a reply
    Warning = 3,
    ProcessEvent = 4,
    DisplayPixels = 5,
    ColourServices = 6,
    AdvanceState = 7,
    AskOpenFile = 8,
    AskSaveFile = 9,
    AskNumbers = 10,
    WorkerThreads = 11,
};

// Largest message either side accepts; a block with a parameters handle or
// a display bitmap fits well within it.
inline constexpr std::uint32_t kMaxLinkPayload = 256u << 20;

// Appends values to a message.
class LinkWriter {
public:
    template <class T>
    void put(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        const std::size_t at = m_bytes.size();
        m_bytes.resize(at + sizeof(T));
        std::memcpy(m_bytes.data() + at, &value, sizeof(T));
    }
    // Overwrites a value put at byte `at` earlier.
    template <class T>
    void patch(std::size_t at, const T& value) {
        std::memcpy(m_bytes.data() + at, &value, sizeof(T));
    }
    std::size_t position() const { return m_bytes.size(); }
    void putBytes(const void* data, std::size_t size);
    void putText(std::string_view text);
    std::vector<std::uint8_t>& bytes() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// Reads values from a message; every read past the end fails and leaves
// the reader failed, so a caller checks ok() once at the end.
class LinkReader {
public:
    LinkReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    template <class T>
    T get() {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        if (!take(&value, sizeof(T))) return T{};
        return value;
    }
    bool take(void* out, std::size_t size);
    std::string getText();
    // The next `size` bytes in place, or null.
    const std::uint8_t* view(std::size_t size);
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_ok && m_position == m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
    bool m_ok = true;
};

// One end of the socket pair. Messages are (type, length, payload), with at
// most one descriptor passed alongside.
class LinkChannel {
public:
    explicit LinkChannel(int descriptor = -1) : m_fd(descriptor) {}
    int descriptor() const { return m_fd; }
    bool send(LinkMessage type, const std::vector<std::uint8_t>& payload, int passFd = -1);
    // Waits for a message. `idle` (may be null) runs each time `idleMs`
    // passes without one; it returns false to give up waiting. False on a
    // closed or broken socket, a malformed frame, or when idle gave up.
    // A descriptor passed with the message lands in `passedFd` (else -1).
    bool receive(LinkMessage& type, std::vector<std::uint8_t>& payload, int& passedFd,
                 int idleMs = -1, bool (*idle)(void*) = nullptr, void* context = nullptr);

private:
    bool readFully(void* data, std::size_t size, int& passedFd, int idleMs, bool (*idle)(void*),
                   void* context);
    int m_fd;
};

// --- Parameter blocks across the link ----------------------------------------

// How one side sees a block field when the block crosses.
enum class FieldRole : std::uint8_t {
    Own,         // a procedure, suite or cell of this side: never crosses
    HostData,    // pixels the host hands the module (filter in/out/mask, export data)
    ModuleData,  // pixels the module hands the host (import and format data)
    Parameters,  // a filter's parameters handle, copied by content on calls
    FileSpec,    // the format module's file; its path crosses on calls
    DataFork,    // the format module's open file; the descriptor crosses once
};

struct BlockField {
    std::size_t offset;
    FieldRole role;
};

// The block of a kind: its size and the fields that do not cross as plain
// bytes. Null for an unknown kind.
struct BlockLayout {
    std::size_t size;
    std::vector<BlockField> fields;
};
const BlockLayout* blockLayoutOf(std::int32_t kind);

// Module data as an import or format block describes it (rect, planes,
// column and row bytes), read from the block of `kind`.
struct ModuleDataShape {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t planes = 1;
    std::int64_t colBytes = 1;
    std::int64_t rowBytes = 0;
};
ModuleDataShape moduleDataShapeOf(std::int32_t kind, const void* block);
// Bytes the editor may read from or write to module data of this shape
// while it serves an advance, whatever the shape holds (0 when the
// rectangle holds no pixel): the helper reserves this much shared storage,
// the editor checks that it lies within the area. -1 when it exceeds what
// a module's 32-bit fields can describe sensibly.
std::int64_t moduleDataBound(const ModuleDataShape& shape);
// Bytes a well-formed module buffer of this shape holds: what the helper
// copies (never more than moduleDataBound()).
std::int64_t moduleDataExtent(const ModuleDataShape& shape);

template <class T>
T fieldAt(const void* block, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(block) + offset, sizeof value);
    return value;
}
template <class T>
void setFieldAt(void* block, std::size_t offset, const T& value) {
    std::memcpy(static_cast<std::uint8_t*>(block) + offset, &value, sizeof value);
}

// How a pointer field travels.
enum class PointerTag : std::uint8_t {
    Unchanged = 0,   // the receiver keeps its own value
    Null = 1,        // null
    Shared = 2,      // offset into the shared area (+ bytes for module data)
    Foreign = 3,     // memory of the sender's own the receiver cannot reach
    Content = 4,     // a handle's bytes follow (parameters)
    NotAHandle = 5,  // the sender's parameters field holds no live handle
};

}  // namespace tessary
