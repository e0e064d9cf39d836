#include "transfer/curl_library.h"

#include <QLibrary>
#include <QMutex>
#include <QStringList>

namespace {

QStringList usualNames()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("libcurl-x64"), QStringLiteral("libcurl-4"), QStringLiteral("libcurl")};
#else
    return {QStringLiteral("libcurl.so.4"), QStringLiteral("libcurl-gnutls.so.4")};
#endif
}

template <typename F>
bool resolve(QLibrary &lib, const char *symbol, F &slot, QString *missing)
{
    slot = reinterpret_cast<F>(lib.resolve(symbol));
    if (!slot && missing->isEmpty())
        *missing = QString::fromLatin1(symbol);
    return slot != nullptr;
}

bool load(QLibrary &lib, CurlLibrary &c, QString *missing)
{
    resolve(lib, "curl_global_init", c.global_init, missing);
    resolve(lib, "curl_global_cleanup", c.global_cleanup, missing);
    resolve(lib, "curl_easy_init", c.easy_init, missing);
    resolve(lib, "curl_easy_cleanup", c.easy_cleanup, missing);
    resolve(lib, "curl_easy_setopt", c.easy_setopt, missing);
    resolve(lib, "curl_easy_getinfo", c.easy_getinfo, missing);
    resolve(lib, "curl_easy_strerror", c.easy_strerror, missing);
    resolve(lib, "curl_multi_init", c.multi_init, missing);
    resolve(lib, "curl_multi_cleanup", c.multi_cleanup, missing);
    resolve(lib, "curl_multi_add_handle", c.multi_add_handle, missing);
    resolve(lib, "curl_multi_remove_handle", c.multi_remove_handle, missing);
    resolve(lib, "curl_multi_perform", c.multi_perform, missing);
    resolve(lib, "curl_multi_poll", c.multi_poll, missing);
    resolve(lib, "curl_multi_info_read", c.multi_info_read, missing);
    resolve(lib, "curl_multi_strerror", c.multi_strerror, missing);
    resolve(lib, "curl_url", c.url, missing);
    resolve(lib, "curl_url_cleanup", c.url_cleanup, missing);
    resolve(lib, "curl_url_set", c.url_set, missing);
    resolve(lib, "curl_url_get", c.url_get, missing);
    resolve(lib, "curl_url_strerror", c.url_strerror, missing);
    resolve(lib, "curl_free", c.free, missing);
    resolve(lib, "curl_slist_append", c.slist_append, missing);
    resolve(lib, "curl_slist_free_all", c.slist_free_all, missing);
    resolve(lib, "curl_version_info", c.version_info, missing);
    return missing->isEmpty();
}

} // namespace

bool loadCurlLibrary(const QStringList &names, CurlLibrary &into, QString *error)
{
    QString failure;
    for (const QString &name : names) {
        QLibrary lib(name);  // never unloaded: the handles live until the process ends
        if (!lib.load()) {
            failure = lib.errorString();
            continue;
        }
        CurlLibrary c{};
        QString missing;
        if (!load(lib, c, &missing)) {
            failure = QStringLiteral("%1 mangler %2").arg(lib.fileName(), missing);
            continue;
        }
        // curl_global_init is safe beside other threads only where the library says so (7.84 on).
        const curl_version_info_data *info = c.version_info(CURLVERSION_NOW);
        if (!info || !(info->features & CURL_VERSION_THREADSAFE)) {
            failure = QStringLiteral("%1 (versjon %2) kan ikke startes trygt mens programmet kjører; "
                                     "versjon 7.84 eller nyere trengs")
                          .arg(lib.fileName(), QString::fromLatin1(info ? info->version : "ukjent"));
            continue;
        }
        if (c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            failure = QStringLiteral("%1 kan ikke startes").arg(lib.fileName());
            continue;
        }
        into = c;
        return true;
    }
    if (error)
        *error = QStringLiteral("FTP-biblioteket (libcurl) kan ikke lastes: ") + failure;
    return false;
}

const CurlLibrary *curlLibrary(QString *error)
{
    static QMutex mutex;
    static CurlLibrary loaded{};
    static bool ready = false;
    static struct Cleanup {
        ~Cleanup()
        {
            if (ready)
                loaded.global_cleanup();
        }
    } cleanup;
    const QMutexLocker lock(&mutex);
    if (!ready)
        ready = loadCurlLibrary(usualNames(), loaded, error);
    return ready ? &loaded : nullptr;
}
