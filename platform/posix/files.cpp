#include "platform/files.h"

#include <QDir>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::files {

namespace {

QByteArray native(const std::u16string &path)
{
    return QString::fromStdU16String(path).toLocal8Bit();
}

bool readOnlyMode(mode_t mode)
{
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool fail(int *error)
{
    if (error)
        *error = errno;
    return false;
}

} // namespace

bool listFolder(const std::u16string &folder, std::vector<Entry> &entries)
{
    entries.clear();
    const QByteArray dirPath = native(folder);
    DIR *dir = opendir(dirPath.constData());
    if (!dir)
        return false;
    const int fd = dirfd(dir);
    while (const dirent *d = readdir(dir)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
            continue;
        Entry e;
        e.name = QString::fromLocal8Bit(d->d_name).toStdU16String();
        struct stat st {};
        const bool haveStat = fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (haveStat) {
            e.link = S_ISLNK(st.st_mode);
            e.folder = S_ISDIR(st.st_mode);
            e.readOnly = !e.link && readOnlyMode(st.st_mode);
        } else {
            e.link = d->d_type == DT_LNK;
            e.folder = d->d_type == DT_DIR;
        }
        entries.push_back(std::move(e));
    }
    closedir(dir);
    return true;
}

namespace {

// What the walk needs to know of a folder it has opened.
struct FolderFacts {
    dev_t device = 0;
    mode_t mode = 0;
    bool mountRoot = false;  // the root of a mount, also one of the same file system (a bind mount)
};

bool folderFacts(int fd, FolderFacts &facts)
{
#if defined(__linux__) && defined(STATX_ATTR_MOUNT_ROOT)
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_MODE, &sx) == 0) {
        facts.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        facts.mode = sx.stx_mode;
        facts.mountRoot = (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
        return true;
    }
#endif
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    facts.device = st.st_dev;
    facts.mode = st.st_mode;
    return true;
}

// Works relative to open folder handles, as rm -r does: no path walk per entry, no stat when the
// folder listing already tells the type. The names of a folder are read before anything goes, so
// removing never disturbs the listing.
class TreeEmptier {
public:
    TreeEmptier(bool each, const TreeReport &report, dev_t device) : each_(each), report_(report), device_(device) {}

    void empty(int fd)
    {
        DIR *dir = fdopendir(fd);
        if (!dir) {
            close(fd);
            return;
        }
        std::string names;
        std::vector<std::pair<std::size_t, bool>> entries;  // offset in names, is a folder
        const int dfd = dirfd(dir);
        while (const dirent *d = readdir(dir)) {
            if (d->d_name[0] == '.' && (d->d_name[1] == 0 || (d->d_name[1] == '.' && d->d_name[2] == 0)))
                continue;
            bool folder = d->d_type == DT_DIR;
            if (d->d_type == DT_UNKNOWN) {
                struct stat st {};
                folder = fstatat(dfd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            }
            entries.emplace_back(names.size(), folder);
            names.append(d->d_name).push_back('\0');
        }
        for (const auto &[offset, folder] : entries) {
            const char *name = names.c_str() + offset;
            const std::size_t keep = path_.size();
            path_ += name;
            if (folder) {
                path_ += '/';
                const int sub = openat(dfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                FolderFacts facts;
                const bool known = sub >= 0 && folderFacts(sub, facts);
                if (known && (facts.mountRoot || facts.device != device_)) {
                    // Another file system mounted here (a network share, a bind mount) is not ours
                    // to empty: neither entered nor removed.
                    close(sub);
                    say(TreeStep::FolderFailed);
                    path_.resize(keep);
                    continue;
                }
                if (each_)
                    say(TreeStep::Folder);
                if (sub >= 0) {
                    // A read-only folder is emptied as a read-only file is removed: its mark goes first.
                    if (known && !(facts.mode & (S_IWUSR | S_IWGRP | S_IWOTH)))
                        fchmod(sub, (facts.mode & 07777) | S_IWUSR);
                    empty(sub);
                }
                if (unlinkat(dfd, name, AT_REMOVEDIR) != 0)
                    say(TreeStep::FolderFailed);
            } else {
                if (each_)
                    say(TreeStep::File);
                // The file's own mode never stops its removal here, so read-only files need no change first.
                if (unlinkat(dfd, name, 0) != 0)
                    say(TreeStep::FileFailed);
            }
            path_.resize(keep);
        }
        closedir(dir);
    }

private:
    void say(TreeStep step) { report_(step, QString::fromLocal8Bit(path_).toStdU16String()); }

    bool each_;
    const TreeReport &report_;
    dev_t device_;  // the file system of the emptied folder
    std::string path_;  // below the emptied folder, in the file system's bytes
};

} // namespace

void emptyTree(const std::u16string &folder, bool each, const TreeReport &report)
{
    if (each)
        report(TreeStep::Folder, {});
    const int fd = open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FolderFacts facts;
    if (fd >= 0 && folderFacts(fd, facts))
        TreeEmptier(each, report, facts.device).empty(fd);
    else if (fd >= 0)
        close(fd);
}

bool fileExists(const std::u16string &path)
{
    struct stat st {};
    return !path.empty() && stat(native(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool folderExists(const std::u16string &path)
{
    struct stat st {};
    return !path.empty() && stat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isReadOnly(const std::u16string &path)
{
    struct stat st {};
    return !path.empty() && stat(native(path).constData(), &st) == 0 && readOnlyMode(st.st_mode);
}

bool clearAttributes(const std::u16string &path)
{
    struct stat st {};
    const QByteArray p = native(path);
    if (lstat(p.constData(), &st) != 0 || S_ISLNK(st.st_mode))
        return false;
    return chmod(p.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool removeFile(const std::u16string &path, int *error)
{
    return unlink(native(path).constData()) == 0 || fail(error);
}

bool removeFolder(const std::u16string &path, int *error)
{
    const QByteArray p = native(path.size() > 1 && path.back() == u'/' ? path.substr(0, path.size() - 1) : path);
    struct stat st {};
    if (lstat(p.constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return unlink(p.constData()) == 0 || fail(error);
    return rmdir(p.constData()) == 0 || fail(error);
}

int makeFolder(const std::u16string &path)
{
    return mkdir(native(path).constData(), 0777) == 0 ? 0 : errno;
}

bool makePath(const std::u16string &path)
{
    const QString p = QString::fromStdU16String(path);
    return !p.isEmpty() && QDir().mkpath(p);
}

bool keepOwnerAndMode(const std::u16string &path, int fd)
{
    struct stat st {};
    if (stat(native(path).constData(), &st) != 0)
        return true;  // nothing to keep
    // Only root may give a file away; any member of a group may give a file to it.
    const bool group = fchown(fd, st.st_uid, st.st_gid) == 0 || fchown(fd, uid_t(-1), st.st_gid) == 0;
    fchmod(fd, st.st_mode & 07777);  // after the owner: a change of owner clears the set-id bits
    return group;
}

bool renameNoReplace(const std::u16string &from, const std::u16string &to, int *error)
{
    const QByteArray f = native(from), t = native(to);
    if (renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return fail(error);
    // File systems without the flag: a hard link fails when the target exists.
    if (link(f.constData(), t.constData()) != 0)
        return fail(error);
    if (unlink(f.constData()) != 0) {
        const int e = errno;
        unlink(t.constData());
        errno = e;
        return fail(error);
    }
    return true;
}

std::int64_t firstMatchSize(const std::u16string &path)
{
    const QByteArray p = native(absolutePath(path));
    struct stat st {};
    if (p.contains('*') || p.contains('?')) {
        glob_t g{};
        const int rc = glob(p.constData(), GLOB_NOSORT, nullptr, &g);
        const bool found = rc == 0 && g.gl_pathc > 0 && stat(g.gl_pathv[0], &st) == 0;
        globfree(&g);
        if (!found)
            return -1;
    } else if (stat(p.constData(), &st) != 0) {
        return -1;
    }
    return S_ISDIR(st.st_mode) ? 0 : std::int64_t(st.st_size);
}

std::u16string absolutePath(const std::u16string &path)
{
    const QString p = QString::fromStdU16String(path);
    QString abs = QDir::cleanPath(QDir::current().absoluteFilePath(p));
    if (p.endsWith(QLatin1Char('/')) && !abs.endsWith(QLatin1Char('/')))
        abs += QLatin1Char('/');
    return abs.toStdU16String();
}

int writeOpenError(const std::u16string &path)
{
    const QByteArray p = native(path);
    int fd = ::open(p.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        ::close(fd);
        return 0;
    }
    if (errno != ENOENT)
        return errno;
    fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(p.constData());
    return 0;
}

int lastError()
{
    return errno;
}

std::u16string errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)).toStdU16String();
}

} // namespace platform::files
