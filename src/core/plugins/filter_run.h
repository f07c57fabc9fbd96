#pragma once

#include <cstdint>

#include "model/data_buffer.h"
#include "model/image_data.h"
#include "plugins/host_ports.h"
#include "plugins/page_transfer.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_record.h"
#include "tessary_plugin.h"

namespace tessary {

class Page;

// Runs the filter module of `record` on the page of `view`: describes the
// page and its selection in a filter block, calls Parameters (when the
// record keeps no parameters or `showDialog` is set; the old parameters are
// discarded then), Prepare, Start, then Continue while the module asks for
// pixels, and Finish, serving its requests in between; masks every pixel
// the module stored by the selection unless the module cleared auto mask;
// and records one undo step "Filter" (kind 6) over the filter rectangle and
// every stored pixel. The view shows the image as it was before the change
// while the module runs.
//
// Returns true when the run ended without error: after success, and also
// when the module answered -1 or a positive value (it told the user
// itself); the page is then unchanged and no undo step is recorded. Any
// other failure (a module that cannot be loaded or lacks its entry point,
// which is never called, a negative module result, a storage failure, a
// page too large for the block's 16-bit fields, a page without pixels,
// another run in progress) returns false with the page unchanged.
bool RunPlugInFilter(PlugInHost& host, PlugInRecord& record, bool showDialog, PlugInView& view);

// The driver behind RunPlugInFilter. One object per run.
class PlugInFilterRun final : public PlugInRun {
public:
    PlugInFilterRun(PlugInHost& host, PlugInRecord& record, Page& page);

    bool run(bool showDialog, PlugInView& view);

    // Store the output of the last request, then fetch what the block asks
    // for now. 0 or the first error.
    std::int16_t advanceState() override;

private:
    // The page's size and selection fit the block's 16-bit fields.
    bool pageFitsBlock() const;
    // Fills the page-dependent fields of the block and the run state.
    void describePage();
    bool requestPending() const;
    // Serves the input, output and mask requests the block holds.
    std::int16_t fetch();
    // Writes the output of the last request back into the page.
    std::int16_t store();
    // Shapes `buffer` to `rect` (module coordinates, sampled by `rate`, moved
    // by the float origin) and to page planes firstPlane + shift ...
    // lastPlane + shift, with storage the module reaches (`slot` of the
    // shared area when it runs in a helper), and reads the page into it.
    // `imageRect` receives the buffer's rectangle.
    std::int16_t fetchRequest(DataBuffer& buffer, int slot, const TsPiRect& rect, int firstPlane,
                              int lastPlane, int shift, int rate, PageState state, Rect& imageRect);
    // Blends the filtered colour planes with the planes before the change
    // through the mask, over every pixel the module stored.
    std::int16_t maskResult();
    // The filter rectangle in image coordinates, clipped to the image.
    Rect filterArea() const;

    PlugInHost& m_host;
    PlugInRecord& m_record;
    Page& m_page;
    TsPiFilterBlock m_block;
    DataBuffer m_input;
    DataBuffer m_output;
    DataBuffer m_mask;

    int m_colourPlanes = 1;
    int m_planeOffset = 0;
    int m_maskPlane = -1;
    bool m_floating = false;
    bool m_haveMask = false;
    std::int32_t m_floatLeft = 0;
    std::int32_t m_floatTop = 0;

    // The output request served last, to be stored by the next advance.
    bool m_outputPending = false;
    int m_outputFirstPlane = 0;
    int m_outputLastPlane = 0;
    // Bounds of every pixel stored so far (image coordinates).
    Rect m_storedArea;
};

}  // namespace tessary
