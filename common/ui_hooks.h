#pragma once
// What the core needs from the windowing side without linking it: the busy pointer and a message
// box. The program installs the real ones; without them the busy pointer does nothing and messages
// go to standard error.
#include <QString>
#include <functional>

namespace ui_hooks {

void setBusy(bool busy);
void showMessage(const QString &caption, const QString &text);

void install(std::function<void(bool)> busy, std::function<void(const QString &, const QString &)> message);
void uninstall();

// Shows the busy pointer for the lifetime of the object.
class BusyPointer {
public:
    BusyPointer() { setBusy(true); }
    ~BusyPointer() { setBusy(false); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace ui_hooks
