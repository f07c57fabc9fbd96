#pragma once

#include <cstdint>
#include <memory>

#include "model/image_data.h"

namespace tessary {

class PageData;

// Walks the rows of a rectangle of a page for effects and tools. One row
// buffer holds planes firstPlane ... lastPlane of the row being processed:
// plane p's samples start at row(p) = buffer + (p - firstPlane) x width.
//
// A read row and a write row move independently, each downward from the top
// or upward from bottom - 1 by its own direction; with kRead the planes' rows
// are read from the current state into the buffer before a row is processed,
// with kWrite the buffer is written back to the planes after it. So a flip
// reads downward and writes upward through the same buffer.
//
// Usage:
//     PageTraverse walk(data, rect, 0, 2, PageTraverse::kRead | PageTraverse::kWrite);
//     if (!walk.start()) return kErrMemory;
//     while (walk.hasRow()) { ... walk.row(p) ...; walk.advance(); }
//     if (walk.writeFailed()) return kErrDisk;
class PageTraverse {
public:
    static constexpr unsigned kRead = 1;   // read each row before it is processed
    static constexpr unsigned kWrite = 2;  // write each row back after it
    enum class Direction { Down, Up };

    // The rectangle is in image coordinates; the caller keeps `data` alive
    // and unchanged in plane count while the traverse runs.
    PageTraverse(PageData& data, const Rect& rect, int firstPlane, int lastPlane, unsigned flags,
                 Direction readDirection = Direction::Down,
                 Direction writeDirection = Direction::Down);

    // Allocates the buffer, positions both rows and, with kRead, reads the
    // first row. False only when the buffer cannot be allocated (an empty
    // rectangle needs none and starts with no row).
    bool start();
    // Writes the current row back (kWrite), steps both rows, and, while the
    // read row is still inside the rectangle, reads it (kRead). Returns
    // hasRow().
    bool advance();
    // The read row is inside the rectangle.
    bool hasRow() const;

    std::uint8_t* row(int plane) { return m_buffer.get() + rowOffset(plane); }
    const std::uint8_t* row(int plane) const { return m_buffer.get() + rowOffset(plane); }
    std::int32_t readY() const { return m_readY; }
    std::int32_t writeY() const { return m_writeY; }
    std::int32_t width() const { return m_rect.width(); }
    const Rect& rect() const { return m_rect; }

    // Some write-back failed (the store ran out of tiles even after the
    // purge); the walk goes on, and the caller reports the failure at the end.
    bool writeFailed() const { return m_writeFailed; }
    // Some row could not be read back from the swap files.
    bool readFailed() const { return m_readFailed; }

private:
    std::int64_t rowOffset(int plane) const {
        return std::int64_t{plane - m_firstPlane} * m_rect.width();
    }
    void readCurrent();
    void writeCurrent();

    PageData& m_data;
    Rect m_rect;
    int m_firstPlane;
    int m_lastPlane;
    unsigned m_flags;
    Direction m_readDirection;
    Direction m_writeDirection;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::int32_t m_readY = 0;
    std::int32_t m_writeY = 0;
    bool m_started = false;
    bool m_writeFailed = false;
    bool m_readFailed = false;
};

}  // namespace tessary
