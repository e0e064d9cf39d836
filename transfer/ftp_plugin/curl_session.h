#pragma once
// The module's FTP session: one control connection over libcurl (curl_session.cpp).
#include <memory>

#define CURL_DISABLE_TYPECHECK  // options go through one checked setter of many types
#include <curl/curl.h>

#include "transfer/ftp_plugin.h"

class CurlSession final : public FtpSession {
public:
    CurlSession();
    ~CurlSession() override;
    CurlSession(const CurlSession &) = delete;
    CurlSession &operator=(const CurlSession &) = delete;

    void setListener(Listener *listener) override { listener_ = listener; }
    void setLimits(const Limits &limits) override;

    bool connect(const Server &server) override;
    bool connected() const override { return connected_; }
    bool size(const QString &remoteName, qint64 &result) override;
    bool get(const QString &remoteName, const QString &localFile) override;
    bool put(const QString &localFile, const QString &remoteName) override;
    void disconnect() override;
    void abort() override;

    QString lastError() const override { return lastError_; }
    QString lastDetail() const override { return lastDetail_; }
    QString note() const override { return note_; }

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    Server server_;
    Listener *listener_ = nullptr;
    bool connected_ = false;
    QString lastError_;
    QString lastDetail_;
    QString note_;
};
