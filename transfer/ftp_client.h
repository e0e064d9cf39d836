#pragma once
// The FTP client of the transfer window: one control connection per session, over libcurl's easy
// interface. Offers what the transfer needs and nothing more: connect with log-in, the size of a
// remote file, download into a local file (overwriting, never resuming), upload from the start of a
// local file (never appending), disconnect, and notifications for connected, disconnected, the start
// of a transfer and the bytes moved so far.
#include <QString>
#include <functional>
#include <memory>

class ftp_client {
public:
    enum class WorkMode { Read, Write };  // Read: download, Write: upload

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

    // Opens the control connection and logs in. False, with lastError(), on any failure.
    bool connect();
    bool connected() const { return connected_; }
    // Size in bytes of the remote file, or -1 when the server gives none for that name. False when
    // the question could not be asked (connection lost and the like).
    bool size(const QString &remoteName, qint64 &result);
    // Copies the remote file into localFile, which is created or emptied first.
    bool get(const QString &remoteName, const QString &localFile);
    // Copies localFile, opened for reading only, to the remote name, replacing what is there.
    bool put(const QString &localFile, const QString &remoteName);
    // Closes the connection (QUIT when it is still alive). Does nothing when not connected.
    void disconnect();

    // Why the last operation failed, in the library's words.
    QString lastError() const { return lastError_; }

    std::function<void()> onConnected;
    std::function<void()> onDisconnected;
    // Start of a data transfer; max is the expected byte count, -1 when unknown.
    std::function<void(WorkMode mode, qint64 max)> onWorkBegin;
    // Bytes moved so far in the current transfer. Sent at most every few tens of milliseconds while
    // bytes move, and once more with the final count when the transfer ends.
    std::function<void(WorkMode mode, qint64 count)> onWork;

    // The connect time-out in seconds (see ftp_client.cpp).
    static long connectTimeoutSeconds();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    bool connected_ = false;
    QString lastError_;
};
