// The basemap package in the window: its HTML windows (shown in a text browser titled by the
// page's <title>, whose "runtool:" links start the package's tools through runtool), the
// painting while a tool runs, and the menu commands that run the package's tools.
#pragma once

namespace tlv {

class MainWindow;
struct FrontEndHooks;

// Fills the front end's basemap members; call before WireCore.
void FillBasemapFrontEnd(MainWindow& window, FrontEndHooks& frontEnd);
void RegisterBasemapCommands(MainWindow& window);

}  // namespace tlv
