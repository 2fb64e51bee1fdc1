#pragma once

class frmAbout;
class frmZel;

// Builds the About box for the main window and plugs it into the main
// window's hooks. The box lives as long as the main window.
frmAbout &PlugAboutBox(frmZel &main);
