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
class ToolBox;
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
    // The sixteen tools and the current tool, built on the globals' tool
    // values; the palette chooses the current tool, the views hand presses
    // to it.
    ToolBox* tools = nullptr;
    // Called when a tool changed the paint colours of the globals (the
    // dropper picked one) while the button is held: whoever shows the
    // colours repaints them at once. May be empty.
    std::function<void()> coloursChanged;
};

}  // namespace tessary
