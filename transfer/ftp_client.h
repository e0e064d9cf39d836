#pragma once
// The FTP client of the transfer window. The client itself is the program's FTP module
// (ftp_plugin/), loaded on the first connect; this class holds the settings and notifications of
// the window and passes each operation on to the module's session.
#include <QString>
#include <functional>
#include <memory>

#include "transfer/ftp_plugin.h"

class ftp_client {
public:
    using WorkMode = FtpSession::WorkMode;
    using Limits = FtpSession::Limits;

    ftp_client();
    ~ftp_client();
    ftp_client(const ftp_client &) = delete;
    ftp_client &operator=(const ftp_client &) = delete;

    // Used by the next connect.
    QString Host;
    QString Username;
    QString Password;
    int Port = 21;
    // Requires explicit TLS (AUTH TLS) on the control and the data connection.
    bool RequireTls = false;

    // The product keeps the defaults; tests shorten them so that a stall ends in seconds.
    void setLimits(const Limits &limits);
    Limits limits() const { return limits_; }

    // Loads the module when it is not loaded yet, opens the control connection and logs in. False,
    // with lastError(), on any failure; a module that cannot be loaded is such a failure.
    bool connect();
    bool connected() const;
    // The operations of FtpSession (ftp_plugin.h), on the connection of the last connect.
    bool size(const QString &remoteName, qint64 &result);
    bool get(const QString &remoteName, const QString &localFile);
    bool put(const QString &localFile, const QString &remoteName);
    void disconnect();
    void abort();

    QString lastError() const;
    QString lastDetail() const;
    QString note() const;

    std::function<void()> onConnected;
    std::function<void()> onDisconnected;
    std::function<void(WorkMode mode, qint64 max)> onWorkBegin;
    std::function<void(WorkMode mode, qint64 count)> onWork;
    std::function<void()> onWait;

private:
    class Relay;
    bool haveSession();
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<FtpSession> session_;
    Limits limits_;
    QString loadError_;
};
