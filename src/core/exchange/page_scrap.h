#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "exchange/dib_format.h"
#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class PageData;
class PageDataList;

// The internal clipboard: a selection kept as a small page of its own, so
// that a pasted selection keeps its shape.
//
// Contents, when there are any: planes 0 (grey) and 1 (mask) for grey
// contents (8 bits per pixel), planes 0, 1, 2 (red, green, blue) and 3
// (mask) for colour contents (24 bits per pixel); the image is the copied
// rectangle moved to (0, 0). The mask is 0 everywhere outside
// (0, 0)-(width, height), including the samples of the edge tiles that lie
// beyond it, so that nothing but the copied rectangle can ever show when the
// contents are pasted.
//
// The contents' tiles are shared copy-on-write with the pages they came from
// or went to; copying a large selection costs a table copy.
//
// The platform clipboard is reached only through bytes: importBitmap() takes
// a device-independent bitmap the shell fetched, publish() hands one back.
// The shell calls import when the application becomes active (and once at
// start-up) and publish when it becomes inactive.
//
// Operations that can run out of tiles say so by returning false (callers
// report error code 0x10002) or an error code directly.
class PageScrap {
public:
    static constexpr int kGreyBits = 8;
    static constexpr int kColourBits = 24;

    // The store and the list must outlive the scrap; `list` may be null
    // (the contents then cannot make room by purging other pages' history).
    PageScrap(VMTile& store, PageDataList* list);
    ~PageScrap();
    PageScrap(const PageScrap&) = delete;
    PageScrap& operator=(const PageScrap&) = delete;

    // Set by the application at start-up: the internal clipboard is in use
    // and is exchanged with the platform clipboard.
    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    // The internal clipboard holds an image (what Paste and the New Image
    // dialog's "Clipboard" fill ask).
    bool hasImage() const { return m_contents != nullptr; }
    // Size of the contents; 0 x 0 when empty.
    std::int32_t width() const;
    std::int32_t height() const;
    // 8 for grey contents, 24 for colour contents, 0 when empty.
    int bitsPerPixel() const { return m_bits; }
    // Colour planes of the contents (1 or 3) and the index of their mask
    // plane (1 or 3); 0 and -1 when empty.
    int colourPlaneCount() const;
    int maskPlane() const;
    // The contents (null when empty), for reading.
    const PageData* contents() const { return m_contents.get(); }
    // Set by a copy; cleared whenever a publish is attempted.
    bool publishPending() const { return m_publishPending; }
    // Destroys the contents.
    void clear();

    // Replaces the contents by the pixels of `source` under `rect` with the
    // selection mask. `colourPlanes` (1 grey, 3 colour) says how to read the
    // source's planes:
    //   K planes          no selection: the whole rectangle is taken (mask 255);
    //   K + 1 planes      colour planes and mask;
    //   2K + 1 planes     a floating selection: its pixels and its mask.
    // `rect` may reach outside the image (a float can); samples outside the
    // source's planes come out as 0 with mask 0. Sets publish pending.
    // Arguments that can never work (empty rectangle, another plane count,
    // an uninitialised source) return false with the contents unchanged;
    // when the pixel store fails the previous contents are gone and the
    // scrap is empty.
    bool copy(const PageData& source, int colourPlanes, const Rect& rect);
    // copy() of a page's selection: the selection rectangle (the whole image
    // without a selection), with the mask or the floating selection.
    bool copy(const Page& source);

    // Adds the contents to `target` as a floating selection with its mask,
    // centred on (x, y) (the contents' top left lands at x - width / 2,
    // y - height / 2). `target` must hold colour planes and at most a mask
    // (K or K + 1 planes for `colourPlanes` K), never a float: callers merge
    // a float first. A target without a mask gets one. Grey contents pasted
    // into a colour target become colour contents (red = green = blue);
    // colour contents pasted into a grey target are converted to grey
    // through the grey weights where their mask is not 0.
    // False when the scrap is empty, the target's planes do not fit, or the
    // pixel store fails; the target then has its old plane count again, but
    // its mask may have been replaced, so callers run this inside a change
    // bracket and abort it on failure.
    bool paste(PageData& target, int colourPlanes, std::int32_t x, std::int32_t y);
    // paste() into a page (which must have no float), then sets the page's
    // selection rectangle to the bounds of the new mask's samples above 1.
    // kErrGeneral when the scrap is empty or the page has a float, kErrDisk
    // when the pixel store fails.
    ErrorCode pasteIntoPage(Page& page, std::int32_t x, std::int32_t y);
    // The "Clipboard" fill of a new page: pastes centred on the page's
    // centre, merges the float over the page's pixels and removes the mask,
    // so the page shows the contents composited over what it held. An empty
    // scrap leaves the page as it is (kErrNone). The page must be shaped,
    // without mask or float.
    ErrorCode pasteIntoNewPage(Page& page);

    // Replaces the contents by a bitmap from the platform clipboard (a packed
    // device-independent bitmap, or a bitmap file starting with "BM"): colour
    // contents of the bitmap's size with an all-selected mask. A bitmap that
    // is refused, or a pixel store that fails, leaves the previous contents
    // as they were. Publish pending is not changed.
    DibError importBitmap(std::span<const std::uint8_t> bytes);

    // When publish pending and there are contents: fills `dib` with the
    // contents as a packed bitmap (see writeDib()) and returns true. Clears
    // publish pending in every case, so that deactivating twice after one
    // copy publishes once.
    bool publish(std::vector<std::uint8_t>& dib);
    // The contents as a packed bitmap (8-bit grey with a grey table, or
    // 24-bit colour), whatever the mask: the whole rectangle is written.
    // kNoImage when there are no contents.
    DibError writeDib(std::vector<std::uint8_t>& dib) const;

private:
    // A new empty PageData of this scrap's store, or null.
    std::unique_ptr<PageData> newContents() const;
    // Turns the colour planes of grey contents into three equal planes.
    bool makeColour();
    // Writes plane `greyPlane` of the contents: the grey of planes 0-2 where
    // the mask (plane 3) is not 0, else 0.
    bool writeGreyPlane(int greyPlane);

    VMTile& m_store;
    PageDataList* m_list;
    bool m_active = false;
    std::unique_ptr<PageData> m_contents;
    int m_bits = 0;
    bool m_publishPending = false;
};

}  // namespace tessary
