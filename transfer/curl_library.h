#pragma once
// libcurl, loaded on the first transfer rather than linked: the program then starts without it and
// the two dozen libraries it pulls in, which most runs never use.
#include <QString>
#include <QStringList>

#define CURL_DISABLE_TYPECHECK  // calls go through the table below, not the checking macros
#include <curl/curl.h>

struct CurlLibrary {
    decltype(&::curl_global_init) global_init;
    decltype(&::curl_global_cleanup) global_cleanup;
    decltype(&::curl_easy_init) easy_init;
    decltype(&::curl_easy_cleanup) easy_cleanup;
    decltype(&::curl_easy_setopt) easy_setopt;
    decltype(&::curl_easy_getinfo) easy_getinfo;
    decltype(&::curl_easy_strerror) easy_strerror;
    decltype(&::curl_multi_init) multi_init;
    decltype(&::curl_multi_cleanup) multi_cleanup;
    decltype(&::curl_multi_add_handle) multi_add_handle;
    decltype(&::curl_multi_remove_handle) multi_remove_handle;
    decltype(&::curl_multi_perform) multi_perform;
    decltype(&::curl_multi_poll) multi_poll;
    decltype(&::curl_multi_info_read) multi_info_read;
    decltype(&::curl_multi_strerror) multi_strerror;
    decltype(&::curl_url) url;
    decltype(&::curl_url_cleanup) url_cleanup;
    decltype(&::curl_url_set) url_set;
    decltype(&::curl_url_get) url_get;
    decltype(&::curl_url_strerror) url_strerror;
    decltype(&::curl_free) free;
    decltype(&::curl_slist_append) slist_append;
    decltype(&::curl_slist_free_all) slist_free_all;
    decltype(&::curl_version_info) version_info;
};

// The library, loaded and initialised once per process; nullptr with the reason in error when it
// cannot be loaded or lacks a function. A failure is tried again on the next call.
const CurlLibrary *curlLibrary(QString *error);
// Loads and initialises the first of the library files that works, into `into`; false with the
// message for the user in error when none does. A library whose global set-up is not thread-safe is
// refused: it is loaded on first use, when the program's other threads already run.
bool loadCurlLibrary(const QStringList &names, CurlLibrary &into, QString *error);
