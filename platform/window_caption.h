#pragma once
// The caption of a window of the program, on the window system itself. (Built with the windows, not
// with the core: it takes a Qt window.)
class QWindow;

namespace platform {

// Leaves the window's title bar without caption text. Qt gives a window whose title is empty the
// application's name as its caption (on X11 and on Windows alike); a window that is to have none calls
// this once its native window exists, before it is shown. False where the window system has no such
// caption to clear (Qt's offscreen platform, Wayland) or the window is not created.
bool clearWindowCaption(QWindow *window);

} // namespace platform
