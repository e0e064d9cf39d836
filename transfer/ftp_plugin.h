#pragma once
// Between the program and its FTP module (ftp_plugin/, which links libcurl): the module is loaded on
// the first transfer, so that a start never loads libcurl and the libraries it pulls in. Both sides
// are built from this header with the same compiler; the module checks its own library.
#include <QString>
#include <QtPlugin>

// One control connection and what is done on it: log-in, the size of a remote file, download into a
// local file (overwriting, never resuming), upload (never appending, never leaving a partial file in
// place of the old one), disconnect, and a way to stop.
class FtpSession {
public:
    enum class WorkMode { Read, Write };  // Read: download, Write: upload

    // How long the session waits before it gives up on the server.
    struct Limits {
        // Connection and log-in: the first attempt and the kernel's retries after 1, 3, 7 and 15 s,
        // with time left for the log-in; a user waits that long for a server, not for minutes.
        int connectSeconds = 20;
        int noAnswerSeconds = 30;  // the reply to a command
        int noDataSeconds = 60;    // no data moving during a transfer
    };

    struct Server {
        QString host;
        QString username;
        QString password;
        int port = 21;
        // Explicit TLS (AUTH TLS) on the control and the data connection; the server's certificate
        // must be trusted by the system's certificate store and name the host.
        bool requireTls = false;
    };

    // What the session tells while its operations run, on the caller's thread.
    class Listener {
    public:
        virtual void connected() = 0;
        virtual void disconnected() = 0;
        // Start of a data transfer; max is the expected byte count, -1 when unknown.
        virtual void workBegin(WorkMode mode, qint64 max) = 0;
        // Bytes moved so far: at most every few tens of milliseconds while bytes move, and once
        // more with the final count when the transfer ends.
        virtual void work(WorkMode mode, qint64 count) = 0;
        // Every few tens of milliseconds (at worst every second) while an operation runs, so that
        // the caller's windows stay alive and the user can stop.
        virtual void wait() = 0;

    protected:
        ~Listener() = default;
    };

    virtual ~FtpSession() = default;

    virtual void setListener(Listener *listener) = 0;
    virtual void setLimits(const Limits &limits) = 0;

    // Opens the control connection to the server and logs in; false, with lastError(), on failure.
    virtual bool connect(const Server &server) = 0;
    // Whether the control connection is open; false again once a failure has closed it.
    virtual bool connected() const = 0;
    // Size in bytes of the remote file, or -1 when the server gives none for that name. False when
    // the question could not be asked.
    virtual bool size(const QString &remoteName, qint64 &result) = 0;
    // Copies the remote file into localFile, which is created or emptied first.
    virtual bool get(const QString &remoteName, const QString &localFile) = 0;
    // Copies localFile, opened for reading only, to the remote name: stored under a temporary name
    // in the same remote folder and renamed when complete; where the server refuses that, stored
    // under its own name directly, and note() says so.
    virtual bool put(const QString &localFile, const QString &remoteName) = 0;
    // Closes the connection (QUIT when it is still alive). Does nothing when not connected.
    virtual void disconnect() = 0;
    // Stops the operation under way as soon as the library lets go; it and every later one fail
    // until disconnect(). Safe to call from the listener.
    virtual void abort() = 0;

    // Why the last operation failed, in Norwegian for the user.
    virtual QString lastError() const = 0;
    // The same in the library's and the server's own words, for support; may be empty.
    virtual QString lastDetail() const = 0;
    // How the last successful operation had to deviate from the usual way; empty when it did not.
    virtual QString note() const = 0;
};

// The module's root object.
class FtpPlugin {
public:
    virtual ~FtpPlugin() = default;
    // A new session, the caller's to delete; nullptr with the reason in error when the FTP library
    // cannot be started.
    virtual FtpSession *createSession(QString *error) = 0;
};

#define FtpPlugin_iid "no.veltrona.BrukerOppsett.FtpPlugin/1"
Q_DECLARE_INTERFACE(FtpPlugin, FtpPlugin_iid)
