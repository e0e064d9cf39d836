// The FTP session of the module, over libcurl's easy interface driven by a multi handle of its own.
#include "transfer/ftp_plugin/curl_session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QStringList>
#include <QUrl>
#include <cerrno>
#include <cstdio>

namespace {

// Bigger blocks than the library's 16 KB defaults: fewer calls per megabyte on a fast network.
constexpr long kReceiveBuffer = 512 * 1024;
constexpr long kSendBuffer = 1024 * 1024;

// The longest wait for socket activity before the library is asked again. libcurl 7.88 on a reused
// control connection can leave the passive data connection unstarted until its next timer, which
// the easy interface's own loop sets at one second: a second lost on every transfer.
constexpr int kPollMs = 10;

// Progress notifications repaint the window; more than about 25 a second only costs throughput.
constexpr qint64 kNotifyIntervalMs = 40;
// The same for the listener's wait(), which lets the caller's windows handle their events.
constexpr qint64 kWaitIntervalMs = 40;

// A peer that vanished without a word (a Wi-Fi or VPN drop) is probed after 15 s of silence and
// every 5 s after that; the system gives up after its count of probes (9 here, 10 on Windows).
constexpr long kKeepIdleSeconds = 15;
constexpr long kKeepIntervalSeconds = 5;

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

size_t discardData(char *, size_t size, size_t count, void *)
{
    return size * count;
}

// For the closing request: a connection that is gone is not opened again just to say goodbye.
curl_socket_t noNewSocket(void *, curlsocktype, struct curl_sockaddr *)
{
    return CURL_SOCKET_BAD;
}

// Six letters and digits: the temporary name of one upload, unlike any other client's.
QString randomTag()
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
    return tag;
}

bool diskFull(int error, const QString &path)
{
    if (error == ENOSPC)
        return true;
#ifdef EDQUOT
    if (error == EDQUOT)
        return true;
#endif
    // Where the failed write left no error number (Windows), the free space tells.
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    return volume.isValid() && volume.isReady() && !volume.isReadOnly() && volume.bytesAvailable() == 0;
}

} // namespace

struct CurlSession::Impl {
    CurlSession *q = nullptr;
    // The easy handle, driven by a multi handle of our own, whose connection cache holds the
    // session's control connection between requests. The multi handle goes first on release.
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle{nullptr, nullptr};
    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi{nullptr, nullptr};
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Limits limits;

    // The first option the library refused since the request was prepared.
    CURLoption refusedOption = CURLoption(0);
    CURLcode refusedCode = CURLE_OK;

    // The request under way and what became of the last one.
    enum class Phase { Connect, Command, Transfer };
    Phase phase = Phase::Command;
    bool busy = false;
    bool aborted = false;
    bool alive = false;    // the control connection outlived the last request
    bool refused = false;  // the last request failed on the server's "no"; nothing had moved
    QElapsedTimer sinceStart;
    QElapsedTimer sinceMoved;  // since bytes last moved, or the request began
    qint64 moved = -1;
    QElapsedTimer sinceWait;

    // The transfer in progress.
    QFile *file = nullptr;
    QString filePath;
    QString fileError;
    int fileErrno = 0;
    WorkMode mode = WorkMode::Read;
    bool inWork = false;
    qint64 notified = -1;
    QElapsedTimer sinceNotified;

    CURL *easy()
    {
        if (!handle) {
            handle = {curl_easy_init(), &curl_easy_cleanup};
            multi = {curl_multi_init(), &curl_multi_cleanup};
            if (!multi)
                handle.reset();
        }
        return handle.get();
    }

    // Releases the handles; a connection still in the cache is closed with QUIT by the library.
    void release()
    {
        multi.reset();
        handle.reset();
        alive = false;
    }

    // Every option is checked; the first one refused fails the request before it starts.
    template <typename T>
    void set(CURLoption option, T value)
    {
        const CURLcode rc = curl_easy_setopt(handle.get(), option, value);
        if (rc != CURLE_OK && refusedCode == CURLE_OK) {
            refusedOption = option;
            refusedCode = rc;
        }
    }

    // Clears the last outcome; false with a reason when no request may start now.
    bool begin(bool needConnection)
    {
        q->lastError_.clear();
        q->lastDetail_.clear();
        q->note_.clear();
        if (busy) {
            q->lastError_ = QStringLiteral("en annen forespørsel til tjeneren pågår");
            return false;
        }
        if (aborted) {
            q->lastError_ = QStringLiteral("avbrutt");
            return false;
        }
        if (needConnection && !q->connected_) {
            q->lastError_ = QStringLiteral("ikke tilkoblet");
            return false;
        }
        return true;
    }

    // After a public operation: a connection the failure took with it is reported as closed.
    void settle()
    {
        if (!q->connected_ || alive)
            return;
        release();
        q->connected_ = false;
        if (q->listener_)
            q->listener_->disconnected();
    }

    void wait()
    {
        if (sinceWait.isValid() && sinceWait.elapsed() < kWaitIntervalMs)
            return;
        sinceWait.restart();
        if (q->listener_)
            q->listener_->wait();
    }

    void notifyWork(qint64 count, bool force)
    {
        if (count == notified)
            return;
        if (!force && notified >= 0 && sinceNotified.isValid() && sinceNotified.elapsed() < kNotifyIntervalMs)
            return;
        notified = count;
        sinceNotified.restart();
        if (q->listener_)
            q->listener_->work(mode, count);
    }

    // Called by the library while a request runs, also inside its own blocking waits (once a
    // second there): progress, the caller's events, and the way out when the user stops.
    static int progress(void *self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
    {
        auto *d = static_cast<Impl *>(self);
        const qint64 now = qint64(dlnow) + qint64(ulnow);
        if (now != d->moved) {
            d->moved = now;
            d->sinceMoved.restart();
        }
        if (d->inWork)
            d->notifyWork(d->mode == WorkMode::Read ? qint64(dlnow) : qint64(ulnow), false);
        d->wait();
        return d->aborted ? 1 : 0;
    }

    static size_t writeToFile(char *data, size_t size, size_t count, void *self)
    {
        auto *d = static_cast<Impl *>(self);
        const qint64 n = qint64(size * count);
        errno = 0;
        if (d->file->write(data, n) != n) {
            d->fileErrno = errno;
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
            return CURL_READFUNC_ABORT;  // never 0, which would end the upload as if complete
        }
        return size_t(n);
    }

    // Host, port, credentials, the path and every option of a request; false with a reason when
    // one of them cannot be used.
    bool prepare(const QString &remotePath, QString &error)
    {
        if (q->server_.host.isEmpty()) {
            error = QStringLiteral("tjenernavnet er tomt");
            return false;
        }
        if (q->server_.port < 1 || q->server_.port > 65535) {
            error = QStringLiteral("ugyldig port %1").arg(q->server_.port);
            return false;
        }
        // A line break would end a command early and start another one.
        if (hasLineBreak(q->server_.username) || hasLineBreak(q->server_.password)) {
            error = QStringLiteral("brukernavn eller passord inneholder linjeskift");
            return false;
        }
        if (hasLineBreak(remotePath)) {
            error = QStringLiteral("filnavnet inneholder linjeskift");
            return false;
        }
        CURLU *url = curl_url();
        if (!url) {
            error = QStringLiteral("tom for minne");
            return false;
        }
        // The whole remote name is percent-encoded, its "/" included: with the no-CWD method the
        // library sends the decoded path as it is, so a leading "/" names the server's root.
        const QByteArray path = "/" + QUrl::toPercentEncoding(remotePath);
        const QByteArray port = QByteArray::number(q->server_.port);
        CURLUcode uc = curl_url_set(url, CURLUPART_SCHEME, "ftp", 0);
        if (!uc)
            uc = curl_url_set(url, CURLUPART_HOST, q->server_.host.toUtf8().constData(), 0);
        if (!uc)
            uc = curl_url_set(url, CURLUPART_PORT, port.constData(), 0);
        if (!uc)
            uc = curl_url_set(url, CURLUPART_PATH, path.constData(), 0);
        char *text = nullptr;
        if (!uc)
            uc = curl_url_get(url, CURLUPART_URL, &text, 0);
        curl_url_cleanup(url);
        if (uc) {
            error = QStringLiteral("ugyldig adresse for tjeneren \"%1\": %2")
                        .arg(q->server_.host, QString::fromUtf8(curl_url_strerror(uc)));
            return false;
        }
        if (!easy()) {
            curl_free(text);
            error = QStringLiteral("tom for minne");
            return false;
        }

        refusedCode = CURLE_OK;
        set(CURLOPT_URL, text);
        curl_free(text);
        set(CURLOPT_ERRORBUFFER, errorBuffer);
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_IPRESOLVE, long(CURL_IPRESOLVE_V4));
        set(CURLOPT_PROXY, "");  // no proxy, not even one from the environment
        // Every wait has an end: the connection with its log-in, each reply, and data that stops.
        set(CURLOPT_CONNECTTIMEOUT, long(limits.connectSeconds));
        set(CURLOPT_SERVER_RESPONSE_TIMEOUT, long(limits.noAnswerSeconds));
        set(CURLOPT_LOW_SPEED_LIMIT, 1L);
        set(CURLOPT_LOW_SPEED_TIME, long(limits.noDataSeconds));
        set(CURLOPT_TCP_KEEPALIVE, 1L);
        set(CURLOPT_TCP_KEEPIDLE, kKeepIdleSeconds);
        set(CURLOPT_TCP_KEEPINTVL, kKeepIntervalSeconds);
        set(CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
        set(CURLOPT_USE_SSL, long(q->server_.requireTls ? CURLUSESSL_ALL : CURLUSESSL_NONE));
        if (q->server_.requireTls) {
            // The system's certificate store (on Windows too), the certificate checked for the host.
            set(CURLOPT_SSL_VERIFYPEER, 1L);
            set(CURLOPT_SSL_VERIFYHOST, 2L);
            set(CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NATIVE_CA));
        }
        const QByteArray user = q->server_.username.toUtf8();
        const QByteArray password = q->server_.password.toUtf8();
        set(CURLOPT_USERNAME, user.constData());
        set(CURLOPT_PASSWORD, password.constData());
        set(CURLOPT_BUFFERSIZE, kReceiveBuffer);
        set(CURLOPT_UPLOAD_BUFFERSIZE, kSendBuffer);
        // What a single request sets is set anew for every request on this handle.
        set(CURLOPT_NOBODY, 0L);
        set(CURLOPT_UPLOAD, 0L);
        set(CURLOPT_APPEND, 0L);
        set(CURLOPT_RESUME_FROM_LARGE, curl_off_t(0));
        set(CURLOPT_INFILESIZE_LARGE, curl_off_t(-1));
        set(CURLOPT_WRITEFUNCTION, &discardData);
        set(CURLOPT_WRITEDATA, static_cast<void *>(nullptr));
        set(CURLOPT_READFUNCTION, static_cast<curl_read_callback>(nullptr));
        set(CURLOPT_READDATA, static_cast<void *>(nullptr));
        set(CURLOPT_QUOTE, static_cast<curl_slist *>(nullptr));
        set(CURLOPT_FORBID_REUSE, 0L);
        set(CURLOPT_OPENSOCKETFUNCTION, static_cast<curl_opensocket_callback>(nullptr));
        set(CURLOPT_NOPROGRESS, 0L);
        set(CURLOPT_XFERINFOFUNCTION, &Impl::progress);
        set(CURLOPT_XFERINFODATA, this);
        return true;
    }

    CURLcode perform(Phase p)
    {
        refused = false;
        if (refusedCode != CURLE_OK) {
            q->lastError_ = QStringLiteral("FTP-biblioteket godtar ikke innstilling nr. %1").arg(int(refusedOption));
            q->lastDetail_ = QString::fromUtf8(curl_easy_strerror(refusedCode));
            return refusedCode;
        }
        phase = p;
        errorBuffer[0] = 0;
        fileError.clear();
        fileErrno = 0;
        moved = -1;
        sinceStart.start();
        sinceMoved.start();
        busy = true;
        const CURLcode rc = run();
        busy = false;
        if (rc != CURLE_OK) {
            long code = 0;
            curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &code);
            refused = code >= 400 && moved <= 0
                      && (rc == CURLE_UPLOAD_FAILED || rc == CURLE_REMOTE_ACCESS_DENIED || rc == CURLE_QUOTE_ERROR
                          || rc == CURLE_REMOTE_FILE_NOT_FOUND);
            q->lastError_ = reason(rc);
            q->lastDetail_ = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));
        }
        return rc;
    }

    // What curl_easy_perform does, with a shorter wait (kPollMs), the caller's events in between
    // and a way out.
    CURLcode run()
    {
        CURL *h = handle.get();
        CURLM *m = multi.get();
        if (curl_multi_add_handle(m, h) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode result = CURLE_OK;
        bool finished = false;
        for (;;) {
            int running = 0;
            CURLMcode mc = curl_multi_perform(m, &running);
            if (mc == CURLM_OK && running)
                mc = curl_multi_poll(m, nullptr, 0, kPollMs, nullptr);
            if (mc != CURLM_OK) {
                result = mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_RECV_ERROR;
                snprintf(errorBuffer, sizeof errorBuffer, "%s", curl_multi_strerror(mc));
                break;
            }
            if (!running) {
                finished = true;
                break;
            }
            wait();
            if (aborted) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
        }
        alive = false;
        if (finished) {
            int queued = 0;
            while (CURLMsg *msg = curl_multi_info_read(m, &queued)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == h)
                    result = msg->data.result;
            }
            // After a failure the library may have closed the connection. Asked while the handle is
            // still with the multi handle, whose cache holds the connection.
            curl_socket_t socket = CURL_SOCKET_BAD;
            alive = result == CURLE_OK
                    || (curl_easy_getinfo(h, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD);
        }
        // Removing an unfinished request closes its connection without waiting for the server.
        curl_multi_remove_handle(m, h);
        return result;
    }

    QString timeoutReason() const
    {
        if (phase == Phase::Connect && sinceStart.elapsed() >= qint64(limits.connectSeconds) * 1000)
            return QStringLiteral("tidsavbrudd: fikk ikke forbindelse med tjeneren på %1 sekunder")
                .arg(limits.connectSeconds);
        if (phase == Phase::Transfer && sinceMoved.elapsed() >= qint64(limits.noDataSeconds) * 1000)
            return QStringLiteral("tidsavbrudd: ingen data på %1 sekunder (forbindelsen er brutt, eller tjeneren har "
                                  "stanset)")
                .arg(limits.noDataSeconds);
        return QStringLiteral("tidsavbrudd: tjeneren svarte ikke på %1 sekunder").arg(limits.noAnswerSeconds);
    }

    QString writeReason() const
    {
        if (diskFull(fileErrno, filePath))
            return QStringLiteral("den lokale disken er full (%1)").arg(filePath);
        return QStringLiteral("kan ikke skrive %1: %2").arg(filePath, fileError);
    }

    // The reason for the user, in Norwegian.
    QString reason(CURLcode rc) const
    {
        switch (rc) {
        case CURLE_ABORTED_BY_CALLBACK:
            if (!fileError.isEmpty())
                return QStringLiteral("kan ikke lese %1: %2").arg(filePath, fileError);
            return QStringLiteral("avbrutt");
        case CURLE_COULDNT_RESOLVE_HOST:
            return QStringLiteral("ukjent tjener: finner ikke navnet \"%1\"").arg(q->server_.host);
        case CURLE_COULDNT_CONNECT: {
            long error = 0;
            curl_easy_getinfo(handle.get(), CURLINFO_OS_ERRNO, &error);
            if (error == ECONNREFUSED)
                return QStringLiteral("tjeneren %1 avviste forbindelsen på port %2").arg(q->server_.host).arg(q->server_.port);
            return QStringLiteral("fikk ikke forbindelse med %1 på port %2 (tjeneren kan ikke nås)")
                .arg(q->server_.host)
                .arg(q->server_.port);
        }
        case CURLE_OPERATION_TIMEDOUT:
            return timeoutReason();
        case CURLE_LOGIN_DENIED:
            return QStringLiteral("feil brukernavn eller passord");
        case CURLE_USE_SSL_FAILED:
            return QStringLiteral("tjeneren tilbyr ikke kryptert forbindelse (TLS)");
        case CURLE_PEER_FAILED_VERIFICATION:
            return QStringLiteral("tjenerens sertifikat er ikke klarert (ikke utstedt av en kjent utsteder, eller "
                                  "ikke for navnet %1)")
                .arg(q->server_.host);
        case CURLE_SSL_CACERT_BADFILE:
            return QStringLiteral("systemets sertifikatlager kan ikke leses");
        case CURLE_SSL_CONNECT_ERROR:
            return QStringLiteral("kryptert forbindelse (TLS) kunne ikke opprettes");
        case CURLE_REMOTE_FILE_NOT_FOUND:
            return QStringLiteral("filen finnes ikke på tjeneren");
        case CURLE_REMOTE_ACCESS_DENIED:
            return QStringLiteral("ingen tilgang til mappen eller filen på tjeneren");
        case CURLE_UPLOAD_FAILED:
            return QStringLiteral("tjeneren tok ikke imot filen (mappen finnes ikke, eller brukeren har ikke "
                                  "skrivetilgang der)");
        case CURLE_FTP_COULDNT_RETR_FILE:
            return QStringLiteral("tjeneren kunne ikke sende filen");
        case CURLE_QUOTE_ERROR:
            return QStringLiteral("tjeneren avviste kommandoen");
        case CURLE_WRITE_ERROR:
            return writeReason();
        case CURLE_READ_ERROR:
            return QStringLiteral("kan ikke lese %1: %2").arg(filePath, fileError);
        case CURLE_OUT_OF_MEMORY:
            return QStringLiteral("tom for minne");
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_FTP_WEIRD_SERVER_REPLY:
        case CURLE_FTP_WEIRD_PASV_REPLY:
        case CURLE_FTP_WEIRD_227_FORMAT:
        case CURLE_FTP_CANT_GET_HOST:
            return QStringLiteral("forbindelsen med tjeneren ble brutt");
        default:
            return QStringLiteral("feil i FTP-overføringen: %1").arg(QString::fromUtf8(curl_easy_strerror(rc)));
        }
    }

    void beginWork(QFile *f, const QString &path, WorkMode m, qint64 max)
    {
        file = f;
        filePath = path;
        mode = m;
        inWork = true;
        notified = -1;
        sinceNotified.invalidate();
        if (q->listener_)
            q->listener_->workBegin(m, max);
    }

    void endWork()
    {
        curl_off_t count = 0;
        if (curl_easy_getinfo(handle.get(), mode == WorkMode::Read ? CURLINFO_SIZE_DOWNLOAD_T : CURLINFO_SIZE_UPLOAD_T,
                            &count)
            == CURLE_OK)
            notifyWork(qint64(count), true);
        inWork = false;
        file = nullptr;
    }

    // Commands on their own (RNFR, RNTO, DELE), on the session's connection.
    bool command(const QStringList &commands)
    {
        if (aborted)
            return false;
        if (!prepare(QString(), q->lastError_))
            return false;
        curl_slist *list = nullptr;
        for (const QString &command : commands) {
            curl_slist *longer = curl_slist_append(list, command.toUtf8().constData());
            if (!longer) {
                curl_slist_free_all(list);
                q->lastError_ = QStringLiteral("tom for minne");
                return false;
            }
            list = longer;
        }
        set(CURLOPT_NOBODY, 1L);
        set(CURLOPT_QUOTE, list);
        const CURLcode rc = perform(Phase::Command);
        set(CURLOPT_QUOTE, static_cast<curl_slist *>(nullptr));
        curl_slist_free_all(list);
        return rc == CURLE_OK;
    }

    bool rename(const QString &from, const QString &to)
    {
        return command({QStringLiteral("RNFR ") + from, QStringLiteral("RNTO ") + to});
    }

    // Puts the uploaded file in the place of the old one. A server that will not rename onto an
    // existing file (as Windows servers do) gets the old one moved aside first and back on failure.
    bool moveInPlace(const QString &from, const QString &to, const QString &aside)
    {
        if (rename(from, to))
            return true;
        if (!refused || !rename(to, aside))
            return false;
        if (rename(from, to)) {
            command({QStringLiteral("DELE ") + aside});
            return true;
        }
        rename(aside, to);
        return false;
    }

    bool store(QFile &in, const QString &localFile, const QString &remoteName)
    {
        if (aborted)
            return false;
        if (!prepare(remoteName, q->lastError_))
            return false;
        if (!in.seek(0)) {
            q->lastError_ = QStringLiteral("kan ikke lese %1: %2").arg(localFile, in.errorString());
            return false;
        }
        set(CURLOPT_UPLOAD, 1L);
        set(CURLOPT_READFUNCTION, &Impl::readFromFile);
        set(CURLOPT_READDATA, this);
        set(CURLOPT_INFILESIZE_LARGE, curl_off_t(in.size()));
        beginWork(&in, localFile, WorkMode::Write, in.size());
        const CURLcode rc = perform(Phase::Transfer);
        endWork();
        return rc == CURLE_OK;
    }

    // QUIT through our own handle, so that its wait is bounded and the caller's events go on.
    void quit()
    {
        QString ignored;
        if (!prepare(QString(), ignored))
            return;
        set(CURLOPT_NOBODY, 1L);
        set(CURLOPT_FORBID_REUSE, 1L);
        set(CURLOPT_OPENSOCKETFUNCTION, &noNewSocket);
        const QString error = q->lastError_, detail = q->lastDetail_;
        perform(Phase::Command);
        q->lastError_ = error;  // the outcome of the session's last real request stays readable
        q->lastDetail_ = detail;
    }
};

CurlSession::CurlSession() : d(std::make_unique<Impl>())
{
    d->q = this;
}

CurlSession::~CurlSession()
{
    listener_ = nullptr;
    disconnect();
}

void CurlSession::setLimits(const Limits &limits)
{
    d->limits = limits;
}

bool CurlSession::connect(const Server &server)
{
    if (connected_)
        return true;
    if (!d->begin(false))
        return false;
    server_ = server;
    // The log-in alone: the root path with no body asks for nothing after it. The connection stays
    // open in the handle and carries the requests of this session.
    if (!d->prepare(QString(), lastError_))
        return false;
    d->set(CURLOPT_NOBODY, 1L);
    if (d->perform(Impl::Phase::Connect) != CURLE_OK) {
        d->release();
        return false;
    }
    connected_ = true;
    if (listener_)
        listener_->connected();
    return true;
}

bool CurlSession::size(const QString &remoteName, qint64 &result)
{
    result = -1;
    if (!d->begin(true))
        return false;
    if (!d->prepare(remoteName, lastError_))
        return false;
    CURL *h = d->handle.get();
    d->set(CURLOPT_NOBODY, 1L);  // SIZE, and no transfer
    const CURLcode rc = d->perform(Impl::Phase::Command);
    d->settle();
    if (rc == CURLE_REMOTE_FILE_NOT_FOUND) {  // 550 to SIZE; the connection stays usable
        lastError_.clear();
        lastDetail_.clear();
        return true;
    }
    if (rc != CURLE_OK)
        return false;
    curl_off_t length = -1;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
        result = qint64(length);
    return true;
}

bool CurlSession::get(const QString &remoteName, const QString &localFile)
{
    if (!d->begin(true))
        return false;
    if (!d->prepare(remoteName, lastError_))
        return false;
    QFile out(localFile);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        d->filePath = localFile;
        d->fileErrno = errno;
        d->fileError = out.errorString();
        lastError_ = d->writeReason();
        return false;
    }
    d->set(CURLOPT_WRITEFUNCTION, &Impl::writeToFile);
    d->set(CURLOPT_WRITEDATA, d.get());
    d->beginWork(&out, localFile, WorkMode::Read, -1);
    const CURLcode rc = d->perform(Impl::Phase::Transfer);
    d->endWork();
    d->set(CURLOPT_WRITEFUNCTION, &discardData);
    d->set(CURLOPT_WRITEDATA, static_cast<void *>(nullptr));
    out.close();
    d->settle();
    if (rc != CURLE_OK)
        return false;
    if (out.error() != QFileDevice::NoError) {
        lastError_ = QStringLiteral("kan ikke skrive %1: %2").arg(localFile, out.errorString());
        return false;
    }
    return true;
}

bool CurlSession::put(const QString &localFile, const QString &remoteName)
{
    if (!d->begin(true))
        return false;
    QFile in(localFile);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        lastError_ = QStringLiteral("kan ikke lese %1: %2").arg(localFile, in.errorString());
        return false;
    }
    const QString tag = randomTag();
    const QString temporary = remoteName + QLatin1Char('.') + tag + QStringLiteral(".tmp");
    const QString aside = remoteName + QLatin1Char('.') + tag + QStringLiteral(".old");
    QString note;
    bool stored = d->store(in, localFile, temporary);
    if (!stored && d->refused) {
        note = QStringLiteral("tjeneren tok ikke imot filen under et midlertidig navn (%1); den ble lastet opp "
                              "direkte under sitt eget navn")
                   .arg(lastDetail_);
        stored = d->store(in, localFile, remoteName);
    } else if (stored && !d->moveInPlace(temporary, remoteName, aside)) {
        if (!d->refused) {
            stored = false;  // the connection failed between the commands; the old file is still there
        } else {
            note = QStringLiteral("tjeneren ville ikke gi den opplastede filen dens eget navn (%1); den ble lastet "
                                  "opp direkte under sitt eget navn")
                       .arg(lastDetail_);
            d->command({QStringLiteral("DELE ") + temporary});
            stored = d->store(in, localFile, remoteName);
        }
    }
    if (stored) {
        lastError_.clear();
        lastDetail_.clear();
        note_ = note;
    }
    d->settle();
    return stored;
}

void CurlSession::disconnect()
{
    if (d->busy) {  // from a notification: the request under way ends first
        abort();
        return;
    }
    // A user's stop does not hold back the goodbye to a server that still answers; a second stop
    // ends that too.
    d->aborted = false;
    if (connected_ && d->alive)
        d->quit();
    d->release();
    d->aborted = false;
    if (!connected_)
        return;
    connected_ = false;
    if (listener_)
        listener_->disconnected();
}

void CurlSession::abort()
{
    d->aborted = true;
}
