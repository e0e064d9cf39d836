#pragma once
// The FTP client of the transfer window: one control connection per session, over libcurl's easy
// interface. Offers what the transfer needs and nothing more: connect with log-in, the size of a
// remote file, download into a local file (overwriting, never resuming), upload from the start of a
// local file (never appending, never leaving a partial file in place of the old one), disconnect,
// a way to stop, and notifications for connected, disconnected, the start of a transfer, the bytes
// moved so far and the time spent waiting.
#include <QString>
#include <functional>
#include <memory>

class ftp_client {
public:
    enum class WorkMode { Read, Write };  // Read: download, Write: upload

    // How long the client waits before it gives up on the server.
    struct Limits {
        // Connection and log-in: the first attempt and the kernel's retries after 1, 3, 7 and 15 s,
        // with time left for the log-in; a user waits that long for a server, not for minutes.
        int connectSeconds = 20;
        int noAnswerSeconds = 30;  // the reply to a command
        int noDataSeconds = 60;    // no data moving during a transfer
    };

    ftp_client();
    ~ftp_client();
    ftp_client(const ftp_client &) = delete;
    ftp_client &operator=(const ftp_client &) = delete;

    // Used by the next connect.
    QString Host;
    QString Username;
    QString Password;
    int Port = 21;
    // Requires explicit TLS (AUTH TLS) on the control and the data connection; the server's
    // certificate must be trusted by the system's certificate store and name the host.
    bool RequireTls = false;

    // The product keeps the defaults; tests shorten them so that a stall ends in seconds.
    void setLimits(const Limits &limits);
    Limits limits() const;

    // Opens the control connection and logs in. False, with lastError(), on any failure.
    bool connect();
    // Whether the control connection is open; false again once a failure has closed it.
    bool connected() const { return connected_; }
    // Size in bytes of the remote file, or -1 when the server gives none for that name. False when
    // the question could not be asked (connection lost and the like).
    bool size(const QString &remoteName, qint64 &result);
    // Copies the remote file into localFile, which is created or emptied first.
    bool get(const QString &remoteName, const QString &localFile);
    // Copies localFile, opened for reading only, to the remote name. The file is stored under a
    // temporary name in the same remote folder and renamed when it is complete, so a broken upload
    // never replaces the file already there. Where the server refuses that, the file is stored
    // under its own name directly, and note() says so.
    bool put(const QString &localFile, const QString &remoteName);
    // Closes the connection (QUIT when it is still alive). Does nothing when not connected.
    void disconnect();
    // Stops the operation under way as soon as the library lets go; it and every later one fail
    // until disconnect(). Safe to call from the notifications.
    void abort();

    // Why the last operation failed, in Norwegian for the user.
    QString lastError() const { return lastError_; }
    // The same in the library's and the server's own words, for support; may be empty.
    QString lastDetail() const { return lastDetail_; }
    // How the last successful operation had to deviate from the usual way; empty when it did not.
    QString note() const { return note_; }

    std::function<void()> onConnected;
    std::function<void()> onDisconnected;
    // Start of a data transfer; max is the expected byte count, -1 when unknown.
    std::function<void(WorkMode mode, qint64 max)> onWorkBegin;
    // Bytes moved so far in the current transfer. Sent at most every few tens of milliseconds while
    // bytes move, and once more with the final count when the transfer ends.
    std::function<void(WorkMode mode, qint64 count)> onWork;
    // Called every few tens of milliseconds (at worst every second) while an operation runs, data
    // moving or not, so that the caller's windows stay alive and the user can stop.
    std::function<void()> onWait;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    bool connected_ = false;
    QString lastError_;
    QString lastDetail_;
    QString note_;
};
