#pragma once

#include <functional>

class QPrinter;
class QWidget;

namespace tessary {

class PageDraw;
class PageFileIO;
class PageScrap;
class PlugInHost;
class PlugInList;
class RecentFileList;
class ZERozevuv;

// The application-wide objects the documents, frames, views and dialogs work
// with. The application owns every one of them and keeps them alive while any
// document exists; a pointer that is null names a service this run has not
// got (for example no internal clipboard).
struct ShellContext {
    ZERozevuv* globals = nullptr;
    PlugInList* plugIns = nullptr;
    PlugInHost* host = nullptr;
    PageFileIO* files = nullptr;
    PageScrap* scrap = nullptr;
    PageDraw* renderer = nullptr;
    RecentFileList* recentFiles = nullptr;
    // The current printer (page setup and print dialogs start from it).
    QPrinter* printer = nullptr;
    // Whether any printer is installed; when empty, the system is asked.
    std::function<bool()> printerInstalled;
    // The main window: parent of dialogs and message boxes.
    QWidget* mainWindow = nullptr;
};

}  // namespace tessary
