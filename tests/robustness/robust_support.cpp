#include "robust_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace robust {

QString driver() { return QStringLiteral(BO_ROBUST_DRIVER); }
QString program() { return qEnvironmentVariable("BO_PROGRAM"); }

QProcessEnvironment childEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("LD_PRELOAD"));
    return env;
}

Outcome run(const QString &exe, const QStringList &args, const QProcessEnvironment &env, const QString &workDir, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, args);
    Outcome r;
    if (!p.waitForStarted(60000)) {
        r.output = p.errorString();
        return r;
    }
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.status = p.exitStatus();
    r.code = p.exitCode();
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QStringList strayFiles(const QString &folder, const QStringList &expected)
{
    QStringList stray;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!expected.contains(name))
            stray << name;
    return stray;
}

bool isWriteLeftover(const QString &name, const QStringList &expected)
{
    static const QRegularExpression suffix("^\\.[A-Za-z0-9]{6}$");
    for (const QString &e : expected)
        if (name.startsWith(e) && suffix.match(name.mid(e.size())).hasMatch())
            return true;
    return false;
}

// --- FullDisk ----------------------------------------------------------------------------------

bool FullDisk::mountTmpfs(qint64 sizeBytes)
{
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(mountPoint_).constData(), "tmpfs", 0, options.constData()) == 0)
        return true;
    why_ += QStringLiteral("tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral("; ");
    return false;
}

bool FullDisk::mountLoop(qint64 sizeBytes)
{
    image_ = mountPoint_ + QStringLiteral(".img");
    QFile img(image_);
    if (!img.open(QIODevice::WriteOnly) || !img.resize(sizeBytes)) {
        why_ += QStringLiteral("loop: no image file; ");
        return false;
    }
    img.close();
    QProcess mkfs;
    mkfs.start(QStringLiteral("mkfs.ext2"), {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-m"), QStringLiteral("0"), image_});
    if (!mkfs.waitForFinished(60000) || mkfs.exitStatus() != QProcess::NormalExit || mkfs.exitCode() != 0) {
        why_ += QStringLiteral("loop: mkfs.ext2 failed; ");
        return false;
    }
    QProcess mount;
    mount.start(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image_, mountPoint_});
    if (!mount.waitForFinished(60000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0) {
        why_ += QStringLiteral("loop: ") + QString::fromLocal8Bit(mount.readAllStandardError()).trimmed() + QStringLiteral("; ");
        return false;
    }
    return true;
}

// This process's mounts in a namespace of their own, seen by its children and by no one else, so
// that they go with the process even when it is killed before its tear-down.
bool ownMountNamespace()
{
    static const bool own = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own;
}

bool FullDisk::setUp(const QString &mountPoint, qint64 sizeBytes)
{
    ownMountNamespace();
    mountPoint_ = mountPoint;
    QDir().mkpath(mountPoint_);
    const QString forced = qEnvironmentVariable("BO_FULL_DISK_METHOD");
    if ((forced.isEmpty() || forced == QLatin1String("tmpfs")) && mountTmpfs(sizeBytes))
        method_ = Method::Tmpfs;
    else if ((forced.isEmpty() || forced == QLatin1String("loop")) && mountLoop(sizeBytes))
        method_ = Method::Loop;
    else if ((forced.isEmpty() || forced == QLatin1String("shim")) && QFileInfo::exists(QStringLiteral(BO_ENOSPC_SHIM)))
        method_ = Method::Shim;
    return method_ != Method::None;
}

bool FullDisk::fill(qint64 freeBytes)
{
    free_ = freeBytes;
    if (method_ == Method::Shim)
        return true;  // the shim counts the free bytes in each child
    const QByteArray filler = QFile::encodeName(mountPoint_ + QStringLiteral("/filler"));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const QByteArray chunk(64 * 1024, 'f');
    qint64 size = 0;
    for (;;) {
        const ssize_t n = ::write(fd, chunk.constData(), std::size_t(chunk.size()));
        if (n <= 0)
            break;
        size += n;
    }
    // Whatever space a short last write left is taken a byte at a time.
    while (::write(fd, "f", 1) == 1)
        ++size;
    const bool ok = ::ftruncate(fd, std::max<qint64>(0, size - freeBytes)) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void FullDisk::prepare(QProcessEnvironment &env) const
{
    if (method_ != Method::Shim)
        return;
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(BO_ENOSPC_SHIM));
    env.insert(QStringLiteral("BO_FULL_DIR"), QFileInfo(mountPoint_).canonicalFilePath());
    env.insert(QStringLiteral("BO_FULL_FREE"), QString::number(free_));
}

void FullDisk::tearDown()
{
    if (method_ == Method::Tmpfs || method_ == Method::Loop) {
        const QByteArray mp = QFile::encodeName(mountPoint_);
        if (::umount2(mp.constData(), 0) != 0)
            ::umount2(mp.constData(), MNT_DETACH);
    }
    if (!image_.isEmpty())
        QFile::remove(image_);
    method_ = Method::None;
}

QString FullDisk::methodName() const
{
    switch (method_) {
    case Method::Tmpfs:
        return QStringLiteral("tmpfs");
    case Method::Loop:
        return QStringLiteral("loop");
    case Method::Shim:
        return QStringLiteral("shim");
    case Method::None:
        break;
    }
    return QStringLiteral("none");
}

} // namespace robust
