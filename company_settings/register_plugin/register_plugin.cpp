// The register module's root object: GET requests with Qt Network, bounded in time and size.
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "company_settings/register_plugin.h"

namespace {

// The system's proxy settings, as a browser on the machine uses them; never for this machine itself.
class SystemProxies final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        const QString host = query.peerHostName();
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback())
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

// Whether a reply with an HTTP status is the server's whole answer: also a refusal such as 404, 410
// or 500, which the caller reads from the status; not a connection lost on the way, a redirect
// refused or a broken protocol.
bool isAnswer(QNetworkReply::NetworkError error)
{
    return error == QNetworkReply::NoError || (error > 200 && error < 300) || (error > 400 && error < 500);
}

class NetworkClient final : public RegisterClient {
public:
    NetworkClient() { manager_.setProxyFactory(new SystemProxies); }

    Answer get(const QUrl &url, int timeoutMs, qint64 mostBytes) override
    {
        Answer answer;
        QNetworkRequest request(url);
        request.setRawHeader("Accept", "application/json");
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        stop_ = Outcome::Answered;
        QNetworkReply *reply = manager_.get(request);
        reply_ = reply;

        QEventLoop loop;
        QTimer clock;
        clock.setSingleShot(true);
        QObject::connect(&clock, &QTimer::timeout, reply, [this] { stop(Outcome::TimedOut); });
        // Refused as soon as the size is announced, else as soon as it is exceeded: memory stays bounded.
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this, reply, mostBytes] {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > mostBytes)
                stop(Outcome::TooLarge);
        });
        const auto take = [this, reply, mostBytes, &answer] {
            answer.body += reply->read(mostBytes + 1 - answer.body.size());
            if (answer.body.size() > mostBytes)
                stop(Outcome::TooLarge);
        };
        QObject::connect(reply, &QNetworkReply::readyRead, reply, take);
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        clock.start(timeoutMs);
        if (!reply->isFinished())
            loop.exec();
        clock.stop();
        if (stop_ == Outcome::Answered && reply->bytesAvailable() > 0)
            take();
        reply_ = nullptr;

        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (stop_ != Outcome::Answered) {
            answer.outcome = stop_;
            answer.body.clear();
        } else if (status.isValid() && isAnswer(reply->error())) {
            answer.outcome = Outcome::Answered;
            answer.status = status.toInt();
        } else {
            answer.outcome = Outcome::NoConnection;
            answer.detail = reply->errorString();
            answer.body.clear();
        }
        delete reply;
        return answer;
    }

    void abort() override { stop(Outcome::Stopped); }

private:
    void stop(Outcome why)
    {
        if (!reply_ || stop_ != Outcome::Answered)
            return;
        stop_ = why;
        reply_->abort();  // finishes the reply, which ends the wait
    }

    QNetworkAccessManager manager_;
    QPointer<QNetworkReply> reply_;
    Outcome stop_ = Outcome::Answered;
};

} // namespace

class NetworkRegisterPlugin : public QObject, public RegisterPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID RegisterPlugin_iid)
    Q_INTERFACES(RegisterPlugin)

public:
    RegisterClient *createClient() override { return new NetworkClient; }
};

#include "register_plugin.moc"
