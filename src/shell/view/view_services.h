#pragma once

#include <memory>

#include "effects/framework/filter.h"

namespace tessary {

class CKorvelApp;
class ProgressFactory;

// What every image view of the application shares: the last filter that ran
// (a built-in filter object or a plug-in filter record), repeated by "Last
// Filter" in any window, and the factory of the effects' progress windows.
// One object per application, kept alive by the views and the view factory.
struct ViewServices {
    std::unique_ptr<Filter> lastFilter;
    ProgressFactory* progress = nullptr;
};

// Makes every document of `app` shown by a CPageView from now on (documents
// already open keep their views). The views share one ViewServices.
void installPageViews(CKorvelApp& app);

}  // namespace tessary
