#include "support/ordinary_user.h"

#include <QFile>
#include <QProcess>
#include <QThread>
#include <ftw.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace testenv {

namespace {

const char kAccount[] = "bo-bruker";
uid_t g_uid = 0;
gid_t g_gid = 0;

int chownEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return ::lchown(path, g_uid, g_gid) == 0 ? 0 : -1;
}

} // namespace

bool OrdinaryUser::account(uid_t &uid, gid_t &gid, QString *why)
{
    if (::geteuid() != 0) {
        uid = ::geteuid();
        gid = ::getegid();
        return true;
    }
    // Test processes run side by side and useradd locks the account files: another one may be making
    // the same account at this moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (const passwd *pw = ::getpwnam(kAccount)) {
            uid = pw->pw_uid;
            gid = pw->pw_gid;
            return true;
        }
        QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--user-group"),
                                                      QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                                                      QStringLiteral("/usr/sbin/nologin"), QString::fromLatin1(kAccount)});
        QThread::msleep(100);
    }
    if (why)
        *why = QStringLiteral("the account %1 could not be made (useradd)").arg(QLatin1String(kAccount));
    return false;
}

bool OrdinaryUser::handOver(const QString &tree, QString *why)
{
    if (::geteuid() != 0)
        return true;
    if (!account(g_uid, g_gid, why))
        return false;
    if (::nftw(QFile::encodeName(tree).constData(), chownEntry, 32, FTW_PHYS) != 0) {
        if (why)
            *why = QStringLiteral("cannot give %1 to the account").arg(tree);
        return false;
    }
    return true;
}

QStringList OrdinaryUser::command(const QString &program, const QStringList &arguments)
{
    uid_t uid = 0;
    gid_t gid = 0;
    if (::geteuid() != 0 || !account(uid, gid, nullptr))
        return QStringList{program} + arguments;
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(uid),
                       QStringLiteral("--regid=%1").arg(gid), QStringLiteral("--clear-groups"), QStringLiteral("--"), program}
        + arguments;
}

OrdinaryUser::OrdinaryUser(const QString &tree)
{
    if (::geteuid() != 0) {
        ok_ = true;
        return;
    }
    if (!tree.isEmpty() ? !handOver(tree, &why_) : !account(g_uid, g_gid, &why_))
        return;
    const int count = ::getgroups(0, nullptr);
    groups_.resize(std::size_t(count > 0 ? count : 0));
    if (count > 0)
        ::getgroups(count, groups_.data());
    // The supplementary groups first (only root may set them), then the group, then the user.
    if (::setgroups(1, &g_gid) != 0 || ::setegid(g_gid) != 0 || ::seteuid(g_uid) != 0) {
        why_ = QStringLiteral("cannot take on the account's identity");
        return;
    }
    switched_ = true;
    ok_ = true;
}

OrdinaryUser::~OrdinaryUser()
{
    if (!switched_)
        return;
    if (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(groups_.size(), groups_.data()) != 0)
        std::abort();  // the rest of the test process must not run as the account by mistake
}

} // namespace testenv
