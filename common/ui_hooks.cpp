#include "common/ui_hooks.h"

#include <cstdio>

namespace ui_hooks {

namespace {
std::function<void(bool)> busyHook;
std::function<void(const QString &, const QString &)> messageHook;
} // namespace

void setBusy(bool busy)
{
    if (busyHook)
        busyHook(busy);
}

void showMessage(const QString &caption, const QString &text)
{
    if (messageHook)
        messageHook(caption, text);
    else
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
}

void install(std::function<void(bool)> busy, std::function<void(const QString &, const QString &)> message)
{
    busyHook = std::move(busy);
    messageHook = std::move(message);
}

void uninstall()
{
    busyHook = nullptr;
    messageHook = nullptr;
}

} // namespace ui_hooks
