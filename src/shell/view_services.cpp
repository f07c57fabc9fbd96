#include "shell/view_services.h"

#include "shell/child_frame.h"
#include "shell/korvel_app.h"
#include "shell/page_document.h"
#include "shell/page_view.h"
#include "shell/therm_obj.h"

namespace tessary {

void installPageViews(CKorvelApp& app) {
    auto services = std::make_shared<ViewServices>();
    app.setViewFactory(
        [&app, services](CPageDocument& document, CChildFrame& frame) -> DocumentView* {
            // The progress factory exists only while the application runs, and
            // is the same object for the whole run.
            services->progress = app.running() ? &app.progressFactory() : nullptr;
            return new CPageView(document, &frame, document.context(), services);
        });
}

}  // namespace tessary
