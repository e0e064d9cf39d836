#include "common/felles.h"

#include "common/qtstring.h"
#include "common/ui_hooks.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace Felles {

qint64 filesize(const QString &path)
{
    return platform::files::firstMatchSize(us(path));
}

QString scrambletext(const QString &plain)
{
    QString shifted = plain;
    for (qsizetype i = 0; i < shifted.size(); ++i)
        shifted[i] = QChar(char16_t(shifted[i].unicode() + (i + 1)));
    return QLatin1Char('z') + shifted + QLatin1Char('2');
}

QString unscrambletext(const QString &scrambled)
{
    if (scrambled.size() < 2)
        return QString(QLatin1String(""));
    QString plain = scrambled.mid(1, scrambled.size() - 2);
    for (qsizetype i = 0; i < plain.size(); ++i)
        plain[i] = QChar(char16_t(plain[i].unicode() - (i + 1)));
    return plain;
}

QString changeextension(const QString &name, const QString &ext)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return (dot < 0 ? name + QLatin1Char('.') : name.left(dot + 1)) + ext;
}

bool runprogram(const QString &program, const QString &parameters, const QString &folder, QString *reason,
                std::function<void(const QString &reason)> failedLater)
{
    ui_hooks::BusyPointer busy;
    const QString quote(QLatin1Char('"'));
    platform::ShellFailure later;
    if (failedLater)
        later = [failedLater](const std::u16string &why) { failedLater(qs(why)); };
    std::u16string why;
    if (platform::shellOpen(us(quote + program + quote), us(parameters), us(quote + folder + quote), &why, later))
        return true;
    if (reason)
        *reason = qs(why);
    return false;
}

} // namespace Felles
