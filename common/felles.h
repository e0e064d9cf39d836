#pragma once
// Small shared operations: file size, text scrambling, extension replacement, starting a program.
#include <QString>
#include <functional>

namespace Felles {

// Size in bytes of the first entry matching path (a folder gives 0); -1 when there is none. 64-bit.
qint64 filesize(const QString &path);

// Adds each code unit's position (from 1) to it, wrapping at 65,536, between "z" and "2".
QString scrambletext(const QString &plain);
// Drops the first and last code unit unseen, then subtracts each position.
QString unscrambletext(const QString &scrambled);

// Keeps everything up to the first "." of the whole text (one is appended when there is none), then ext.
QString changeextension(const QString &name, const QString &ext);

// Asks the shell to open program (quoted) with parameters (as they are) in folder (quoted), with the
// busy pointer shown meanwhile. Returns at once, without waiting for the program: false, with the
// reason, when nothing could be started. A dispatcher that only hands the file on (xdg-open) can fail
// after it started; failedLater then gets the reason. Nothing is logged or shown here.
bool runprogram(const QString &program, const QString &parameters, const QString &folder, QString *reason = nullptr,
                std::function<void(const QString &reason)> failedLater = {});

} // namespace Felles
