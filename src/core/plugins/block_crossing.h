#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/module_link.h"

namespace tessary {

// Carries one parameter block across the link, in either direction, so
// that each side holds a mirror of it: the plain fields travel as bytes,
// each side keeps its own procedures and suites, and pointer fields are
// translated (buffers in the shared area by offset, module-owned pixels
// copied into the area, the parameters handle by content, the format
// module's file by path and descriptor).
//
// A pointer field crosses only when its holder changed it since the last
// crossing, so a module that keeps its own value in a field keeps it while
// the other side has not touched it.
class BlockCrossing {
public:
    enum class Side { Editor, Helper };
    // What the crossing is, for the fields that cross only on some.
    struct Occasion {
        // A call or its return: the parameters handle and the file cross.
        bool call = false;
        // The receiver will read or write module data (an advance, or the
        // return of a call after which the editor advances): module-owned
        // pixels are copied into the area.
        bool moduleData = false;
    };

    BlockCrossing(Side side, SharedArea& area) : m_side(side), m_area(area) {}

    // Starts over for a block of `kind` (a new run).
    bool reset(std::int32_t kind);
    std::int32_t kind() const { return m_kind; }

    // Writes `block` into the message. `passFd` receives a descriptor to send
    // with it (the format module's open file), else -1. False when module
    // data cannot be placed in the area.
    bool encode(const void* block, const Occasion& occasion, LinkWriter& out, int& passFd);
    // Applies a crossing to `block`. `passedFd` is the descriptor that came
    // with the message (taken over when used). False for a malformed
    // crossing or one that points outside the area.
    bool decode(LinkReader& in, void* block, int passedFd);

    // The helper's descriptor of the format module's file (-1 when none).
    int fileDescriptor() const { return m_fileFd; }
    ~BlockCrossing();

private:
    struct ModuleCopy {
        bool active = false;
        void* data = nullptr;
        std::uint64_t offset = 0;
        std::uint64_t bytes = 0;
    };

    // Editor: whether every module data pointer of `block` lies in the area
    // with all its shape may reach.
    bool moduleDataWithinArea(const void* block) const;
    void encodePointer(const void* block, std::size_t index, const Occasion& occasion,
                       LinkWriter& out, bool& ok);

    Side m_side;
    SharedArea& m_area;
    std::int32_t m_kind = 0;
    const BlockLayout* m_layout = nullptr;
    std::vector<std::uintptr_t> m_synced;
    std::vector<ModuleCopy> m_copies;
    int m_sentFork = -1;  // editor: the descriptor last passed
    int m_fileFd = -1;    // helper: the descriptor received
    std::vector<std::uint8_t> m_fileSpecStorage;
};

}  // namespace tessary
