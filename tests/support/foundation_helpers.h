#pragma once
// Helpers shared by the tests of the environment, the log and the utilities: a fixed clock, the log's
// messages without their stamps, file modes, a machine in the fake registry, undeletable files.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <fcntl.h>
#include <linux/fs.h>
#include <ostream>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "log/textfil.h"
#include "platform/system.h"
#include "support/fake_registry.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << "{\n";
    for (const QString &s : l)
        *os << "  \"" << s.toStdString() << "\"\n";
    *os << "}";
}

namespace fh {

inline constexpr platform::LocalTime kNow{2026, 12, 7, 14, 5, 9};

// Every stamp of the test is the same text.
inline QString fixClock(const platform::LocalTime &t = kNow)
{
    platform::overrideNow(t);
    return textfil::datetimetext();
}

// The log's lines with the stamp and the blank after it taken off; other lines as they are.
inline QStringList logMessages()
{
    const QString prefix = textfil::datetimetext() + QLatin1Char(' ');
    QStringList out;
    for (const QString &line : textfil::values().LogLines.toStringList())
        out << (line.startsWith(prefix) ? line.mid(prefix.size()) : line);
    return out;
}

inline QStringList startingWith(const QStringList &lines, const QString &prefix)
{
    QStringList out;
    for (const QString &l : lines)
        if (l.startsWith(prefix))
            out << l;
    return out;
}

inline QString lastOf(const QStringList &l) { return l.isEmpty() ? QStringLiteral("<none>") : l.last(); }

inline void chmodPath(const QString &path, mode_t mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode);
}

inline mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

inline std::u16string u(const QString &s) { return s.toStdU16String(); }

// Registry keys the identity operations read.
inline const std::u16string kComputerKey = u"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
inline const std::u16string kTcpKey = u"System\\CurrentControlSet\\Services\\TCPIP\\Parameters";
inline const std::u16string kInterfacesKey = kTcpKey + u"\\Interfaces";
inline const std::u16string kPrintersKey = u"System\\CurrentControlSet\\Control\\Print\\Printers";
inline const std::u16string kLogonKey = u"Network\\Logon";

// A machine "box" in the domain "example.org" with one interface at 10.1.2.3, logged on as "kari".
inline void standardMachine(FakeRegistry &reg)
{
    reg.setText(kComputerKey, u"ComputerName", u"box")
        .setText(kTcpKey, u"Domain", u"example.org")
        .setText(kInterfacesKey + u"\\{A1}", u"IPAddress", u"10.1.2.3")
        .setText(kLogonKey, u"Username", u"kari");
}
inline const QString kStandardLogin = QStringLiteral("LOGIN: kari  node: box.example.org IP:10.1.2.3");

// The fake machine installed, the program placed at base + "/prog/bin/bruker-oppsett", the clock
// fixed. Returns the program's path.
inline QString fakeWorld(FakeRegistry &reg, const QString &base)
{
    standardMachine(reg);
    platform::installRegistry(&reg);
    const QString program = base + QStringLiteral("/prog/bin/bruker-oppsett");
    platform::overrideProgramPath(u(program));
    fixClock();
    return program;
}

// Marks a file immutable so that even root cannot delete it; undone by the destructor.
class Immutable {
public:
    explicit Immutable(const QString &path) : path_(path) { ok_ = set(true); }
    ~Immutable()
    {
        if (ok_)
            set(false);
    }
    bool ok() const { return ok_; }

private:
    bool set(bool on)
    {
        const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }
    QString path_;
    bool ok_ = false;
};

} // namespace fh
