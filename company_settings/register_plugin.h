#pragma once
// Between the settings dialog and its register module (register_plugin/, which links Qt Network):
// the module is loaded on the first look-up, so that a start never loads the network library.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QtPlugin>

// One GET at a time on the caller's thread. The call returns when the answer is in, the time is up,
// the answer has grown too large or abort() was called; events keep being handled meanwhile, so the
// caller's windows stay alive and the user can stop.
class RegisterClient {
public:
    enum class Outcome {
        Answered,      // the server answered; status holds its HTTP status
        NoConnection,  // no answer: no network, no such host, refused, a certificate not trusted...
        TimedOut,
        TooLarge,      // more than the limit, announced or received
        Stopped,       // abort()
    };
    struct Answer {
        Outcome outcome = Outcome::NoConnection;
        int status = 0;
        QByteArray body;  // never more than the limit
        QString detail;   // the network library's own words when there was no answer
    };

    virtual ~RegisterClient() = default;
    // HTTPS is checked against the system's trusted certificates; redirects to a less safe scheme
    // are not followed.
    virtual Answer get(const QUrl &url, int timeoutMs, qint64 mostBytes) = 0;
    // Stops the get() under way; for a window event while it waits.
    virtual void abort() = 0;
};

// The module's root object.
class RegisterPlugin {
public:
    virtual ~RegisterPlugin() = default;
    // A new client, the caller's to delete (before the application object goes).
    virtual RegisterClient *createClient() = 0;
};

#define RegisterPlugin_iid "no.veltrona.BrukerOppsett.RegisterPlugin/1"
Q_DECLARE_INTERFACE(RegisterPlugin, RegisterPlugin_iid)
