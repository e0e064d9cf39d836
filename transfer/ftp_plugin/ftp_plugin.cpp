// The FTP module's root object: starts libcurl once and makes the sessions.
#include <QMutex>
#include <QObject>
#include <QString>

#include "transfer/ftp_plugin/curl_session.h"

namespace {

// libcurl's global set-up, once per process. It is safe beside other threads only where the library
// says so (7.84 on), and the module is loaded with the program's other threads already running.
bool startLibrary(QString *error)
{
    static QMutex mutex;
    static bool ready = false;
    static struct Cleanup {
        ~Cleanup()
        {
            if (ready)
                curl_global_cleanup();
        }
    } cleanup;
    const QMutexLocker lock(&mutex);
    if (ready)
        return true;
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    if (!info || !(info->features & CURL_VERSION_THREADSAFE)) {
        *error = QStringLiteral("libcurl (versjon %1) kan ikke startes trygt mens programmet kjører; versjon 7.84 "
                                "eller nyere trengs")
                     .arg(QString::fromLatin1(info ? info->version : "ukjent"));
        return false;
    }
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        *error = QStringLiteral("libcurl kan ikke startes");
        return false;
    }
    ready = true;
    return true;
}

} // namespace

class CurlFtpPlugin : public QObject, public FtpPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FtpPlugin_iid)
    Q_INTERFACES(FtpPlugin)

public:
    FtpSession *createSession(QString *error) override
    {
        QString why;
        if (!startLibrary(&why)) {
            if (error)
                *error = why;
            return nullptr;
        }
        return new CurlSession;
    }
};

#include "ftp_plugin.moc"
