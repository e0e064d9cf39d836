#include "platform/system.h"

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

namespace {
std::u16string programPathOverride;
std::optional<LocalTime> fixedNow;

std::u16string local(const QByteArray &bytes)
{
    return QString::fromLocal8Bit(bytes).toStdU16String();
}
} // namespace

char16_t separator()
{
    return u'/';
}

std::u16string environmentVariable(const std::u16string &name)
{
    const char *value = std::getenv(QString::fromStdU16String(name).toLocal8Bit().constData());
    return value ? local(value) : std::u16string();
}

std::u16string appDataFolder()
{
    for (const char16_t *name : {u"APPDATA", u"XDG_DATA_HOME"}) {
        std::u16string v = environmentVariable(name);
        while (v.size() > 1 && v.back() == u'/')
            v.pop_back();
        if (!v.empty())
            return v;
    }
    std::u16string home = environmentVariable(u"HOME");
    if (home.empty()) {
        // Never the root folder: without HOME, the account's own home folder.
        if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_dir)
            home = local(pw->pw_dir);
    }
    return home + u"/.local/share";
}

std::vector<std::u16string> arguments(int argc, char **argv)
{
    std::vector<std::u16string> result;
    for (int i = 1; i < argc; ++i)
        result.push_back(local(argv[i]));
    return result;
}

std::u16string programPath()
{
    if (!programPathOverride.empty())
        return programPathOverride;
    QByteArray buf(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? local(buf.left(n)) : std::u16string();
}

void overrideProgramPath(const std::u16string &path)
{
    programPathOverride = path;
}

LocalTime now()
{
    if (fixedNow)
        return *fixedNow;
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void overrideNow(std::optional<LocalTime> fixed)
{
    fixedNow = fixed;
}

void adviseLargeBuffer(void *data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLarge = std::uintptr_t(2) << 20;
    if (size < 2 * kLarge)
        return;
    // Only whole large pages inside the buffer: the advice must not reach a neighbour's memory.
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kLarge - 1);
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

} // namespace platform
