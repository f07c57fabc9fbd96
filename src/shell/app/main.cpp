// The editor's program: starts the application, runs its event loop, and
// shuts it down.

#include <QDir>

#include "shell/app/korvel_app.h"
#include "shell/view/view_services.h"

int main(int argc, char** argv) {
    tessary::CKorvelApp app(argc, argv);
    tessary::installPageViews(app);
    tessary::StartOptions options;
    options.arguments = QCoreApplication::arguments().mid(1);
    options.workingDirectory = QDir::currentPath();
    switch (app.initInstance(options)) {
        case tessary::CKorvelApp::StartResult::Started:
            break;
        case tessary::CKorvelApp::StartResult::HandedOver:
        case tessary::CKorvelApp::StartResult::Printed:
            return 0;
        default:
            return 1;
    }
    const int code = app.exec();
    const int exitCode = app.exitInstance();
    return code != 0 ? code : exitCode;
}
