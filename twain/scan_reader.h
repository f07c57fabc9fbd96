#pragma once

#include <sane/sane.h>

#include <cstdint>
#include <vector>

namespace tessary::twain {

class SaneDevice;

// The shape of one image as the source hands it to the application.
struct ScanLayout {
    int width = 0;
    int height = 0;
    int pixelType = 0;  // TWPT_BW, TWPT_GRAY or TWPT_RGB
    int samplesPerPixel = 1;
    int bitsPerSample = 8;
    uint32_t bytesPerRow = 0;  // packed: (width + 7) / 8, width or 3 * width
};

// Reads one image of a started scan as packed rows: one-bit line art
// exactly as SANE sends it (1 = black), 8-bit grey, 8-bit interleaved RGB.
// 16-bit samples (native byte order) keep their high byte; one-bit colour
// samples become 0 or 255; padding at the end of SANE's lines is dropped.
//
// Frames: a three-pass scan's first two frames (one colour each) are read
// whole into memory, one byte per pixel, and merged with the last frame as
// it streams. When the device does not know the height in advance, every
// frame is read into memory before the first row is handed out.
//
// A frame that ends early is completed with white rows. Any other status
// than SANE_STATUS_GOOD ends the image: the reader keeps returning it and
// the caller cancels the scan.
class ScanReader {
public:
    // `device` has just been started (sane_start succeeded).
    explicit ScanReader(SaneDevice& device);

    // Reads the first frame's parameters (and, for an unknown height, the
    // whole image). A frame format other than grey, RGB or a single colour
    // gives SANE_STATUS_UNSUPPORTED.
    SANE_Status begin();
    const ScanLayout& layout() const { return m_layout; }
    int rowsLeft() const { return m_layout.height - m_nextRow; }
    bool finished() const { return m_began && rowsLeft() == 0; }

    // Fills the next `rows` rows (at most rowsLeft()), each
    // layout().bytesPerRow bytes, into `out`.
    SANE_Status readRows(uint8_t* out, int rows);

private:
    // One frame's rows already read: whole output rows for a grey or RGB
    // frame, one byte per pixel for a single-colour frame.
    struct HeldFrame {
        int channel = -1;  // -1: whole rows; 0, 1, 2: red, green, blue
        int rows = 0;
        std::vector<uint8_t> data;
    };

    SANE_Status fail(SANE_Status status);
    static int channelOf(SANE_Frame format);
    uint32_t decodedBytes(int channel) const;
    // Reads `lines` of the current frame into m_lines; fewer on end of frame.
    SANE_Status readLines(int lines, int& got);
    void decodeLine(const uint8_t* line, uint8_t* out) const;
    SANE_Status holdFrame(HeldFrame& held, int maximumRows);
    SANE_Status nextFrame();
    SANE_Status prepareFrames();
    void composeRow(int row, const uint8_t* live, uint8_t* out) const;
    SANE_Status drainFrame();

    SaneDevice& m_device;
    ScanLayout m_layout;
    SANE_Parameters m_frame{};
    int m_frameChannel = -1;
    std::vector<HeldFrame> m_held;
    std::vector<uint8_t> m_lines;
    std::vector<uint8_t> m_decoded;
    bool m_began = false;
    bool m_framesReady = false;
    bool m_frameEnded = false;  // the current frame reached end of data
    bool m_allHeld = false;     // every frame is in m_held
    int m_nextRow = 0;
    SANE_Status m_status = SANE_STATUS_GOOD;
};

}  // namespace tessary::twain
