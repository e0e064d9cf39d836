#include "transfer/ftp_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <cstdio>

#include "transfer/curl_library.h"

namespace {

// A dead or filtered host would otherwise keep the transfer in libcurl's default connect wait of
// 300 s, with the window that blocks the program's only thread unable even to repaint. 20 s covers
// the first connection attempt and the kernel's four retries after 1, 3, 7 and 15 s, so a few lost
// packets on a poor line still connect, and the log-in (part of the connect phase) has time left;
// a user waits that long for a server, not for minutes.
constexpr long kConnectTimeoutSeconds = 20;

// Bigger blocks than the library's 16 KB defaults: fewer calls per megabyte on a fast network.
constexpr long kReceiveBuffer = 512 * 1024;
constexpr long kSendBuffer = 1024 * 1024;

// The longest wait for socket activity before the library is asked again. libcurl 7.88 on a reused
// control connection can leave the passive data connection unstarted until its next timer, which
// the easy interface's own loop sets at one second: a second lost on every transfer.
constexpr int kPollMs = 10;

// Progress notifications repaint the window; more than about 25 a second only costs throughput.
constexpr qint64 kNotifyIntervalMs = 40;

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

size_t discardData(char *, size_t size, size_t count, void *)
{
    return size * count;
}

} // namespace

struct ftp_client::Impl {
    ftp_client *q = nullptr;
    // The easy handle, driven by a multi handle of our own, whose connection cache holds the
    // session's control connection between requests. The multi handle goes first on release.
    const CurlLibrary *c = nullptr;  // loaded by the first request
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle{nullptr, nullptr};
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi{nullptr, nullptr};
    char errorBuffer[CURL_ERROR_SIZE] = {};

    // The transfer in progress.
    QFile *file = nullptr;
    QString fileError;
    WorkMode mode = WorkMode::Read;
    qint64 notified = -1;
    QElapsedTimer sinceNotified;

    CURL *easy()
    {
        if (!handle) {
            handle = {c->easy_init(), c->easy_cleanup};
            multi = {c->multi_init(), c->multi_cleanup};
            if (!multi)
                handle.reset();
        }
        return handle.get();
    }

    // Closes the session's connection (QUIT when it is still alive) and releases the handles.
    void release()
    {
        multi.reset();
        handle.reset();
    }

    void notifyWork(qint64 count, bool force)
    {
        if (count == notified)
            return;
        if (!force && notified >= 0 && sinceNotified.isValid() && sinceNotified.elapsed() < kNotifyIntervalMs)
            return;
        notified = count;
        sinceNotified.restart();
        if (q->onWork)
            q->onWork(mode, count);
    }

    static int progress(void *self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
    {
        auto *d = static_cast<Impl *>(self);
        d->notifyWork(d->mode == WorkMode::Read ? qint64(dlnow) : qint64(ulnow), false);
        return 0;
    }

    static size_t writeToFile(char *data, size_t size, size_t count, void *self)
    {
        auto *d = static_cast<Impl *>(self);
        const qint64 n = qint64(size * count);
        if (d->file->write(data, n) != n) {
            d->fileError = d->file->errorString();
            return 0;  // the library ends the transfer with a write error
        }
        return size_t(n);
    }

    static size_t readFromFile(char *buffer, size_t size, size_t count, void *self)
    {
        auto *d = static_cast<Impl *>(self);
        const qint64 n = d->file->read(buffer, qint64(size * count));
        if (n < 0) {
            d->fileError = d->file->errorString();
            return CURL_READFUNC_ABORT;
        }
        return size_t(n);
    }

    // Host, port, credentials and the path; false with a reason when one of them cannot be used.
    bool prepare(const QString &remotePath, QString &error)
    {
        if (q->Host.isEmpty()) {
            error = QStringLiteral("tjenernavnet er tomt");
            return false;
        }
        if (q->Port < 1 || q->Port > 65535) {
            error = QStringLiteral("ugyldig port %1").arg(q->Port);
            return false;
        }
        // A line break would end the USER or PASS command early and start another one.
        if (hasLineBreak(q->Username) || hasLineBreak(q->Password)) {
            error = QStringLiteral("brukernavn eller passord inneholder linjeskift");
            return false;
        }
        if (!c && !(c = curlLibrary(&error)))
            return false;
        CURLU *url = c->url();
        if (!url) {
            error = QStringLiteral("tom for minne");
            return false;
        }
        // The whole remote name is percent-encoded, its "/" included: with the no-CWD method the
        // library sends the decoded path as it is, so a leading "/" names the server's root.
        const QByteArray path = "/" + QUrl::toPercentEncoding(remotePath);
        const QByteArray port = QByteArray::number(q->Port);
        CURLUcode uc = c->url_set(url, CURLUPART_SCHEME, "ftp", 0);
        if (!uc)
            uc = c->url_set(url, CURLUPART_HOST, q->Host.toUtf8().constData(), 0);
        if (!uc)
            uc = c->url_set(url, CURLUPART_PORT, port.constData(), 0);
        if (!uc)
            uc = c->url_set(url, CURLUPART_PATH, path.constData(), 0);
        char *text = nullptr;
        if (!uc)
            uc = c->url_get(url, CURLUPART_URL, &text, 0);
        c->url_cleanup(url);
        if (uc) {
            error = QStringLiteral("ugyldig adresse for tjeneren \"%1\": %2")
                        .arg(q->Host, QString::fromUtf8(c->url_strerror(uc)));
            return false;
        }

        CURL *h = easy();
        if (!h) {
            c->free(text);
            error = QStringLiteral("tom for minne");
            return false;
        }
        c->easy_setopt(h, CURLOPT_URL, text);
        c->free(text);
        c->easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
        c->easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        c->easy_setopt(h, CURLOPT_IPRESOLVE, long(CURL_IPRESOLVE_V4));
        c->easy_setopt(h, CURLOPT_PROXY, "");  // no proxy, not even one from the environment
        c->easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
        c->easy_setopt(h, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
        c->easy_setopt(h, CURLOPT_USE_SSL, long(q->RequireTls ? CURLUSESSL_ALL : CURLUSESSL_NONE));
        const QByteArray user = q->Username.toUtf8();
        const QByteArray password = q->Password.toUtf8();
        c->easy_setopt(h, CURLOPT_USERNAME, user.constData());
        c->easy_setopt(h, CURLOPT_PASSWORD, password.constData());
        c->easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);
        c->easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, kSendBuffer);
        // What a single request sets is set anew for every request on this handle.
        c->easy_setopt(h, CURLOPT_NOBODY, 0L);
        c->easy_setopt(h, CURLOPT_UPLOAD, 0L);
        c->easy_setopt(h, CURLOPT_APPEND, 0L);
        c->easy_setopt(h, CURLOPT_RESUME_FROM_LARGE, curl_off_t(0));
        c->easy_setopt(h, CURLOPT_WRITEFUNCTION, &discardData);
        c->easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
        c->easy_setopt(h, CURLOPT_NOPROGRESS, 1L);
        return true;
    }

    CURLcode perform(QString &error)
    {
        errorBuffer[0] = 0;
        fileError.clear();
        const CURLcode rc = run();
        if (rc != CURLE_OK) {
            error = QString::fromUtf8(errorBuffer[0] ? errorBuffer : c->easy_strerror(rc));
            if (!fileError.isEmpty())
                error += QStringLiteral(" (") + fileError + QLatin1Char(')');
        }
        return rc;
    }

    // What curl_easy_perform does, with a shorter wait (kPollMs).
    CURLcode run()
    {
        CURL *h = handle.get();
        CURLM *m = multi.get();
        if (c->multi_add_handle(m, h) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode result = CURLE_OK;
        int running = 1;
        for (;;) {
            CURLMcode mc = c->multi_perform(m, &running);
            if (mc == CURLM_OK && running)
                mc = c->multi_poll(m, nullptr, 0, kPollMs, nullptr);
            if (mc != CURLM_OK) {
                result = mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_RECV_ERROR;
                snprintf(errorBuffer, sizeof errorBuffer, "%s", c->multi_strerror(mc));
                break;
            }
            if (!running)
                break;
        }
        int queued = 0;
        while (CURLMsg *msg = c->multi_info_read(m, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == h)
                result = msg->data.result;
        }
        c->multi_remove_handle(m, h);
        return result;
    }

    void beginWork(WorkMode m, qint64 max)
    {
        mode = m;
        notified = -1;
        sinceNotified.invalidate();
        CURL *h = handle.get();
        c->easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        c->easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Impl::progress);
        c->easy_setopt(h, CURLOPT_XFERINFODATA, this);
        if (q->onWorkBegin)
            q->onWorkBegin(m, max);
    }

    void endWork()
    {
        curl_off_t moved = 0;
        c->easy_getinfo(handle.get(), mode == WorkMode::Read ? CURLINFO_SIZE_DOWNLOAD_T : CURLINFO_SIZE_UPLOAD_T,
                          &moved);
        notifyWork(qint64(moved), true);
        file = nullptr;
        c->easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 1L);
    }
};

ftp_client::ftp_client() : d(std::make_unique<Impl>())
{
    d->q = this;
}

ftp_client::~ftp_client()
{
    onConnected = nullptr;
    onDisconnected = nullptr;
    disconnect();
}

long ftp_client::connectTimeoutSeconds()
{
    return kConnectTimeoutSeconds;
}

bool ftp_client::connect()
{
    if (connected_)
        return true;
    lastError_.clear();
    // The log-in alone: the root path with no body asks for nothing after it. The connection stays
    // open in the handle and carries the requests of this session.
    if (!d->prepare(QString(), lastError_))
        return false;
    d->c->easy_setopt(d->handle.get(), CURLOPT_NOBODY, 1L);
    if (d->perform(lastError_) != CURLE_OK) {
        d->release();
        return false;
    }
    connected_ = true;
    if (onConnected)
        onConnected();
    return true;
}

bool ftp_client::size(const QString &remoteName, qint64 &result)
{
    result = -1;
    lastError_.clear();
    if (!connected_) {
        lastError_ = QStringLiteral("ikke tilkoblet");
        return false;
    }
    if (!d->prepare(remoteName, lastError_))
        return false;
    CURL *h = d->handle.get();
    d->c->easy_setopt(h, CURLOPT_NOBODY, 1L);  // SIZE, and no transfer
    const CURLcode rc = d->perform(lastError_);
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND) {  // 550 to SIZE; the connection stays usable
        lastError_.clear();
        return true;
    }
    if (rc != CURLE_OK)
        return false;
    curl_off_t length = -1;
    if (d->c->easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
        result = qint64(length);
    return true;
}

bool ftp_client::get(const QString &remoteName, const QString &localFile)
{
    lastError_.clear();
    if (!connected_) {
        lastError_ = QStringLiteral("ikke tilkoblet");
        return false;
    }
    if (!d->prepare(remoteName, lastError_))
        return false;
    QFile out(localFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        lastError_ = localFile + QStringLiteral(": ") + out.errorString();
        return false;
    }
    CURL *h = d->handle.get();
    d->c->easy_setopt(h, CURLOPT_WRITEFUNCTION, &Impl::writeToFile);
    d->c->easy_setopt(h, CURLOPT_WRITEDATA, d.get());
    d->file = &out;
    d->beginWork(WorkMode::Read, -1);
    const CURLcode rc = d->perform(lastError_);
    d->endWork();
    d->c->easy_setopt(h, CURLOPT_WRITEFUNCTION, &discardData);
    d->c->easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
    out.close();
    if (rc != CURLE_OK)
        return false;
    if (out.error() != QFileDevice::NoError) {
        lastError_ = localFile + QStringLiteral(": ") + out.errorString();
        return false;
    }
    return true;
}

bool ftp_client::put(const QString &localFile, const QString &remoteName)
{
    lastError_.clear();
    if (!connected_) {
        lastError_ = QStringLiteral("ikke tilkoblet");
        return false;
    }
    if (!d->prepare(remoteName, lastError_))
        return false;
    QFile in(localFile);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        lastError_ = localFile + QStringLiteral(": ") + in.errorString();
        return false;
    }
    CURL *h = d->handle.get();
    d->c->easy_setopt(h, CURLOPT_UPLOAD, 1L);
    d->c->easy_setopt(h, CURLOPT_READFUNCTION, &Impl::readFromFile);
    d->c->easy_setopt(h, CURLOPT_READDATA, d.get());
    d->c->easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(in.size()));
    d->file = &in;
    d->beginWork(WorkMode::Write, in.size());
    const CURLcode rc = d->perform(lastError_);
    d->endWork();
    d->c->easy_setopt(h, CURLOPT_UPLOAD, 0L);
    d->c->easy_setopt(h, CURLOPT_READFUNCTION, nullptr);
    d->c->easy_setopt(h, CURLOPT_READDATA, nullptr);
    return rc == CURLE_OK;
}

void ftp_client::disconnect()
{
    d->release();
    if (!connected_)
        return;
    connected_ = false;
    if (onDisconnected)
        onDisconnected();
}
