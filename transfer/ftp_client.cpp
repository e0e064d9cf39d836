#include "transfer/ftp_client.h"

#include "common/plugins.h"

// The session's notifications to the window's handlers.
class ftp_client::Relay final : public FtpSession::Listener {
public:
    explicit Relay(ftp_client *client) : q(client) {}
    void connected() override
    {
        if (q->onConnected)
            q->onConnected();
    }
    void disconnected() override
    {
        if (q->onDisconnected)
            q->onDisconnected();
    }
    void workBegin(WorkMode mode, qint64 max) override
    {
        if (q->onWorkBegin)
            q->onWorkBegin(mode, max);
    }
    void work(WorkMode mode, qint64 count) override
    {
        if (q->onWork)
            q->onWork(mode, count);
    }
    void wait() override
    {
        if (q->onWait)
            q->onWait();
    }

private:
    ftp_client *q;
};

ftp_client::ftp_client() : relay_(std::make_unique<Relay>(this)) {}

ftp_client::~ftp_client()
{
    // The goodbye to the server is said without notifications to a window that is going away.
    if (session_)
        session_->setListener(nullptr);
}

void ftp_client::setLimits(const Limits &limits)
{
    limits_ = limits;
    if (session_)
        session_->setLimits(limits);
}

bool ftp_client::haveSession()
{
    if (session_)
        return true;
    QString error;
    FtpPlugin *plugin = plugins::load<FtpPlugin>(QStringLiteral("ftp"), &error);
    FtpSession *session = plugin ? plugin->createSession(&error) : nullptr;
    if (!session) {
        loadError_ = QStringLiteral("FTP-biblioteket (libcurl) kan ikke lastes: ") + error;
        return false;
    }
    loadError_.clear();
    session_.reset(session);
    session_->setListener(relay_.get());
    session_->setLimits(limits_);
    return true;
}

bool ftp_client::connect()
{
    if (!haveSession())
        return false;
    return session_->connect({Host, Username, Password, Port, RequireTls});
}

bool ftp_client::connected() const
{
    return session_ && session_->connected();
}

bool ftp_client::size(const QString &remoteName, qint64 &result)
{
    result = -1;
    return session_ && session_->size(remoteName, result);
}

bool ftp_client::get(const QString &remoteName, const QString &localFile)
{
    return session_ && session_->get(remoteName, localFile);
}

bool ftp_client::put(const QString &localFile, const QString &remoteName)
{
    return session_ && session_->put(localFile, remoteName);
}

void ftp_client::disconnect()
{
    if (session_)
        session_->disconnect();
}

void ftp_client::abort()
{
    if (session_)
        session_->abort();
}

QString ftp_client::lastError() const
{
    if (!session_)
        return loadError_.isEmpty() ? QStringLiteral("ikke tilkoblet") : loadError_;
    return session_->lastError();
}

QString ftp_client::lastDetail() const
{
    return session_ ? session_->lastDetail() : QString();
}

QString ftp_client::note() const
{
    return session_ ? session_->note() : QString();
}
