// The regional forms come from the system locale: its short date, and its long time without the
// time-zone field (nb_NO gives 07.12.2026 14:05:09).
#include "platform/datetimetext.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

namespace platform {

namespace {
QString longTimeFormat()
{
    static const QString format = [] {
        QString f = QLocale::system().timeFormat(QLocale::LongFormat);
        // Drop the zone field ("t", "tt", "ttt", "tttt") and the blanks around it.
        f.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b\\s*")));
        return f.trimmed();
    }();
    return format;
}
} // namespace

std::u16string shortDateText(const LocalTime &t)
{
    const QLocale locale = QLocale::system();
    return locale.toString(QDate(t.year, t.month, t.day), locale.dateFormat(QLocale::ShortFormat)).toStdU16String();
}

std::u16string longTimeText(const LocalTime &t)
{
    return QLocale::system().toString(QTime(t.hour, t.minute, t.second), longTimeFormat()).toStdU16String();
}

} // namespace platform
