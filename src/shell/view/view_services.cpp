#include "shell/view/view_services.h"

#include "shell/app/child_frame.h"
#include "shell/app/korvel_app.h"
#include "shell/app/page_document.h"
#include "shell/chrome/therm_obj.h"
#include "shell/view/page_view.h"

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
