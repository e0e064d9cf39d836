// The "Skriver:" list against a real CUPS server, started here with its own folders and socket and
// given two queues on a file: device.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "platform/printers.h"

namespace {

class CupsServer {
public:
    explicit CupsServer(const QString &root) : root_(root) {}
    ~CupsServer() { stop(); }

    QString socket() const { return root_ + QStringLiteral("/cups.sock"); }

    // Empty on success, else why the server could not be run.
    QString start()
    {
        const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/usr/local/sbin"});
        if (cupsd.isEmpty())
            return QStringLiteral("cupsd is not installed");
        for (const char *sub : {"conf/ppd", "spool/tmp", "cache", "state", "log"})
            QDir().mkpath(root_ + QLatin1Char('/') + QLatin1String(sub));
        const QString conf = root_ + QStringLiteral("/conf/cupsd.conf");
        const QString files = root_ + QStringLiteral("/conf/cups-files.conf");
        testenv::writeFile(conf, QStringLiteral("Listen %1\nLogLevel warn\nBrowsing No\nWebInterface No\n"
                                                "DefaultAuthType None\n"
                                                "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                                "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                                     .arg(socket())
                                     .toUtf8());
        testenv::writeFile(files, QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                                                 "CacheDir %1/cache\nStateDir %1/state\nAccessLog %1/log/access_log\n"
                                                 "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\nFileDevice Yes\n")
                                      .arg(root_)
                                      .toUtf8());
        QFile::setPermissions(conf, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::setPermissions(files, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start(cupsd, {"-f", "-c", conf, "-s", files});
        if (!server_.waitForStarted(10000))
            return QStringLiteral("cupsd did not start: ") + server_.errorString();
        // Ready when the scheduler answers on its socket.
        for (int i = 0; i < 200; ++i) {
            if (server_.state() != QProcess::Running)
                return QStringLiteral("cupsd ended at once: ") + QString::fromLocal8Bit(server_.readAll())
                    + QString::fromLocal8Bit(testenv::readFile(root_ + QStringLiteral("/log/error_log")));
            if (QFile::exists(socket()) && run(QStringLiteral("lpstat"), {"-h", socket(), "-r"}).isEmpty())
                return {};
            QTest::qWait(100);
        }
        return QStringLiteral("cupsd did not answer on its socket");
    }

    // Runs a CUPS client program against this server; empty on success, else its output.
    QString run(const QString &program, const QStringList &args, QString *output = nullptr)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(program, args);
        if (!p.waitForFinished(30000))
            return program + QStringLiteral(" did not finish");
        if (output)
            *output = QString::fromLocal8Bit(p.readAllStandardOutput());
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }

    void stop()
    {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        if (!server_.waitForFinished(10000)) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }

private:
    QString root_;
    QProcess server_;
};

} // namespace

TEST_F(OppsettTest, PrinterListComesFromTheCupsServerInItsOrder)
{
    platform::overrideInstalledPrinters(std::nullopt);  // the real spooler
    CupsServer cups(dir() + QStringLiteral("/cups"));
    const QString why = cups.start();
    if (!why.isEmpty())
        GTEST_SKIP() << "no CUPS server can be run here: " << why.toStdString();
    for (const char *queue : {"Verksted_Laser", "Kontor_Farge"}) {
        const QString failed = cups.run(QStringLiteral("lpadmin"), {"-h", cups.socket(), "-p", QLatin1String(queue), "-E",
                                                                    "-v", "file:///dev/null", "-m", "raw"});
        ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
    }
    QString listing;
    ASSERT_TRUE(cups.run(QStringLiteral("lpstat"), {"-h", cups.socket(), "-e"}, &listing).isEmpty());
    const QStringList serverOrder = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(serverOrder.size(), 2);

    qputenv("CUPS_SERVER", cups.socket().toLocal8Bit());
    openSettings(standard({"Skriver_Index=1"}));
    TOppsettDialog &d = dialog();
    QStringList shown;
    for (int i = 0; i < d.Skriver->count(); ++i)
        shown << d.Skriver->itemText(i);
    EXPECT_EQ(shown, serverOrder);
    EXPECT_EQ(d.Skriver->currentIndex(), 1);
    qunsetenv("CUPS_SERVER");
    cups.stop();
}
