#pragma once
// Shared by the crash, full-disk and two-process tests: child processes (the driver and the built
// program), whole-file comparisons and a small full file system.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <ostream>

namespace robust {

// The driver program and the built program.
QString driver();
QString program();

struct Outcome {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QString output;
};

// This process's environment (already isolated by the test entry), offscreen.
QProcessEnvironment childEnvironment();
// Runs to the end (or kills after timeoutMs) and gathers standard output and error.
Outcome run(const QString &exe, const QStringList &args, const QProcessEnvironment &env, const QString &workDir,
            int timeoutMs = 120000);

QByteArray sha256(const QByteArray &bytes);
QByteArray readFile(const QString &path);
// Names in folder (files only) that are not in expected.
QStringList strayFiles(const QString &folder, const QStringList &expected);
// A temporary file of the atomic write, named for the file it was to replace ("name.XXXXXX"): what a
// writer killed between naming it and renaming it over the file leaves behind. No run reads it.
bool isWriteLeftover(const QString &name, const QStringList &expected);

// A small file system at a mount point, filled up to the last few bytes. The first that works of:
// a tmpfs mount, an ext2 file system in a file through a loop device, a write-failure shim loaded
// into the child processes (ENOSPC after the free bytes are used up). BO_FULL_DISK_METHOD=tmpfs|loop|shim
// chooses one.
class FullDisk {
public:
    enum class Method { None, Tmpfs, Loop, Shim };
    FullDisk() = default;
    ~FullDisk() { tearDown(); }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // Makes mountPoint a file system of sizeBytes. False (with why()) when no method works.
    bool setUp(const QString &mountPoint, qint64 sizeBytes);
    // Takes the space up until only freeBytes are left.
    bool fill(qint64 freeBytes);
    // Sets what the child processes need (the shim and its settings).
    void prepare(QProcessEnvironment &env) const;
    void tearDown();

    Method method() const { return method_; }
    QString methodName() const;
    QString why() const { return why_; }

private:
    bool mountTmpfs(qint64 sizeBytes);
    bool mountLoop(qint64 sizeBytes);

    Method method_ = Method::None;
    QString mountPoint_, image_, why_;
    qint64 free_ = 0;
};

} // namespace robust

// Readable failure messages for Qt texts.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os) { *os << '{' << l.join(", ").toStdString() << '}'; }
