#pragma once

class QWidget;

namespace tessary {

class ToolBox;

// Runs a tool's options dialog modally on the tool box; true when the user
// pressed "Set".
using ToolOptionsRunner = bool (*)(ToolBox& tools, QWidget* parent);

// The options dialog the palette's options button opens for tool `index`
// (1 ... 16), or null for a tool without one (the button only flashes).
ToolOptionsRunner toolOptionsRunnerFor(int index);

}  // namespace tessary
