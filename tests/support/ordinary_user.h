#pragma once
// Runs the code under test as an ordinary account. Tests run as root in CI, and root may read and
// write every file, so a test of what a user may not do proves nothing unless the code runs as
// someone else. The account "bo-bruker" is made on first use when the process is root; a process
// that is not root is an ordinary account already and is left as it is.
#include <QString>
#include <QStringList>
#include <sys/types.h>
#include <vector>

namespace testenv {

class OrdinaryUser {
public:
    // Hands every file and folder below tree to the account (none when tree is empty) and takes on
    // its identity (the effective ids only, so that the destructor gives the process back to root).
    explicit OrdinaryUser(const QString &tree = QString());
    ~OrdinaryUser();
    OrdinaryUser(const OrdinaryUser &) = delete;
    OrdinaryUser &operator=(const OrdinaryUser &) = delete;

    // False when no ordinary account could be had; why() tells the reason.
    bool ok() const { return ok_; }
    const QString &why() const { return why_; }

    // The account's ids, made when missing (root only). False with the reason when that fails.
    static bool account(uid_t &uid, gid_t &gid, QString *why);
    // The command line that runs program as the account from the start (setpriv), or the program
    // itself when this process is not root.
    static QStringList command(const QString &program, const QStringList &arguments);
    // Gives every entry below tree to the account (nothing to do when not root).
    static bool handOver(const QString &tree, QString *why);

private:
    bool ok_ = false;
    bool switched_ = false;
    QString why_;
    std::vector<gid_t> groups_;
};

} // namespace testenv
