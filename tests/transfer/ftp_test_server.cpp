#include "ftp_test_server.h"

#include <QDeadlineTimer>

QString FtpTestServer::scriptPath()
{
    return QStringLiteral(BO_FTP_SERVER_SCRIPT);
}

bool FtpTestServer::start(const QString &root, const QString &user, const QString &password,
                          const Options &options, QString *error)
{
    stop();
    QStringList args{scriptPath(), QStringLiteral("--root"), root, QStringLiteral("--user"), user,
                     QStringLiteral("--password"), password};
    if (options.throttle > 0)
        args << QStringLiteral("--throttle") << QString::number(options.throttle);
    if (options.dropAfter > 0)
        args << QStringLiteral("--drop-after") << QString::number(options.dropAfter);
    if (options.stallAfter >= 0)
        args << QStringLiteral("--stall-after") << QString::number(options.stallAfter);
    if (!options.silentOn.isEmpty())
        args << QStringLiteral("--silent-on") << options.silentOn;
    if (!options.perm.isEmpty())
        args << QStringLiteral("--perm") << options.perm;
    if (options.renameNoReplace)
        args << QStringLiteral("--rename-no-replace");
    if (!options.refuseSuffix.isEmpty())
        args << QStringLiteral("--refuse-suffix") << options.refuseSuffix;
    if (!options.tlsCert.isEmpty())
        args << QStringLiteral("--tls-cert") << options.tlsCert << QStringLiteral("--tls-key") << options.tlsKey;
    // Debian's interpreter: the one that has pyftpdlib, whatever python3 the PATH finds first.
    process_.setProgram(QStringLiteral("/usr/bin/python3"));
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why + QStringLiteral("\n") + QString::fromLocal8Bit(process_.readAllStandardError());
        stop();
        return false;
    };
    if (!process_.waitForStarted(10000))
        return fail(QStringLiteral("the test FTP server did not start: ") + process_.errorString());
    QDeadlineTimer deadline(15000);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(int(qMax<qint64>(deadline.remainingTime(), 1))))
            return fail(QStringLiteral("the test FTP server gave no port"));
    }
    const QByteArray line = process_.readLine().trimmed();
    bool ok = false;
    if (line.startsWith("PORT "))
        port_ = quint16(line.mid(5).toUInt(&ok));
    if (!ok || port_ == 0)
        return fail(QStringLiteral("unexpected first line from the test FTP server: ") + QString::fromLatin1(line));
    return true;
}

void FtpTestServer::stop()
{
    port_ = 0;
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}
