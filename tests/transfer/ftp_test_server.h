#pragma once
// Starts ftp_test_server.py (pyftpdlib, Debian's /usr/bin/python3) on 127.0.0.1 and a port the
// system picks, and stops it again.
#include <QProcess>
#include <QString>

class FtpTestServer {
public:
    struct Options {
        qint64 throttle = 0;   // bytes a second on each data connection, 0: no limit
        qint64 dropAfter = 0;  // close both connections after this many bytes of a transfer
        qint64 stallAfter = -1;  // stop moving data after this many bytes of a transfer, -1: never
        QString silentOn;        // answer nothing from this command on
        QString perm;            // the user's rights in pyftpdlib's letters, empty: all
        bool renameNoReplace = false;  // a rename onto an existing file is refused
        QString refuseSuffix;    // names ending so are refused for storing
        QString tlsCert, tlsKey; // require TLS with this certificate chain and key
    };

    FtpTestServer() = default;
    ~FtpTestServer() { stop(); }
    FtpTestServer(const FtpTestServer &) = delete;
    FtpTestServer &operator=(const FtpTestServer &) = delete;

    // Serves root to one user. False with a reason when the server did not come up.
    bool start(const QString &root, const QString &user, const QString &password, const Options &options,
               QString *error = nullptr);
    quint16 port() const { return port_; }
    void stop();

    static QString scriptPath();

private:
    QProcess process_;
    quint16 port_ = 0;
};
