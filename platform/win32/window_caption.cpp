// Windows: the window's text set to the empty text.
#include "platform/win32/wide.h"

#include "platform/window_caption.h"

#include <QWindow>

namespace platform {

bool clearWindowCaption(QWindow *window)
{
    if (!window || !window->handle())
        return false;
    return SetWindowTextW(reinterpret_cast<HWND>(window->winId()), L"") != 0;
}

} // namespace platform
