#pragma once
// Small shared operations: file size, text scrambling, extension replacement, starting a program.
#include <QString>

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
// busy pointer shown meanwhile. Returns at once; the outcome is not examined.
void runprogram(const QString &program, const QString &parameters, const QString &folder);

} // namespace Felles
