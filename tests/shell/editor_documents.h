#pragma once

// Documents of the running editor for the test programs that drive it: a
// new image, its view, and closing every document between tests.

#include <QCoreApplication>
#include <cstdint>
#include <vector>

#include "model/page.h"
#include "model/page_data.h"
#include "shell/app/child_frame.h"
#include "shell/app/doc_template.h"
#include "shell/app/korvel_app.h"
#include "shell/app/page_document.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/view/page_view.h"

namespace tessary::test {

// Sample c of pixel (x, y) of a test image.
using SampleFunction = std::uint8_t (*)(int x, int y, int c);

// A new white image of `type` with its colour planes written from `sample`
// when one is given; null when the editor made none.
inline CPageDocument* newImage(CKorvelApp& app, int width, int height,
                               SampleFunction sample = nullptr,
                               std::int32_t type = Page::kTypeRgb) {
    NewImageResult result;
    result.type = type;
    result.fill = 1;
    result.width = width;
    result.height = height;
    CPageDocument* document = app.newDocument(result);
    if (document != nullptr && sample != nullptr) {
        Page& page = *document->page();
        std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
        for (int c = 0; c < page.colourPlaneCount(); ++c) {
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = sample(x, y, c);
                page.pageData()->writeRow(c, 0, y, width, row.data());
            }
        }
    }
    QCoreApplication::processEvents();
    return document;
}

inline CPageView* viewOf(CKorvelApp& app, CPageDocument* document) {
    CChildFrame* frame = app.docTemplate().frameOf(document);
    return frame != nullptr ? dynamic_cast<CPageView*>(frame->view()) : nullptr;
}

// Closes every document's window without asking to save.
inline void closeAllDocuments(CKorvelApp& app) {
    for (CPageDocument* document : app.docTemplate().documents()) {
        if (CChildFrame* frame = app.docTemplate().frameOf(document)) {
            frame->setCloseWithoutAsking(true);
            frame->close();
        }
    }
    QCoreApplication::processEvents();
}

}  // namespace tessary::test
