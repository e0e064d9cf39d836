// Throughput of HentFil and SendFil against the curl command-line tool, both on the same local test
// FTP server (pyftpdlib on 127.0.0.1) and the same file, alternating, in one run:
//
//   bench_ftp [--size-mb N] [--rounds N] [--curl PATH] [--dir FOLDER]
//
// Everything happens in a temporary folder (below FOLDER, default the system's temporary folder);
// the settings document is one of its own. Prints each
// transfer, then the median MB/s of each client and our share of curl's.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/felles.h"
#include "common/plugins.h"
#include "environment/hs_reg.h"
#include "ftp_test_server.h"
#include "log/textfil.h"
#include "transfer/ftpunit.h"

namespace {

const QString kUser = QStringLiteral("bench");
const QString kPassword = QStringLiteral("bench-pw");

bool makeFile(const QString &path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    QRandomGenerator gen(42);
    gen.fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
    for (qint64 left = size; left > 0; left -= block.size())
        if (f.write(block.constData(), qMin<qint64>(left, block.size())) < 0)
            return false;
    return f.flush();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

struct Result {
    std::vector<double> ours, curl;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    plugins::setFolder(QStringLiteral(BO_MODULE_FOLDER));

    qint64 sizeMb = 200;
    int rounds = 7;
    QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    QString folder = QDir::tempPath();
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--size-mb"))
            sizeMb = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--rounds"))
            rounds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--curl"))
            curl = args[i + 1];
        else if (args[i] == QLatin1String("--dir"))
            folder = args[i + 1];
    }
    if (curl.isEmpty()) {
        std::fprintf(stderr, "the curl command-line tool is missing (Debian package curl)\n");
        return 2;
    }
    const qint64 size = sizeMb * 1000 * 1000;

    QTemporaryDir world(folder + QStringLiteral("/bo-bench-ftp-XXXXXX"));
    const QString home = world.path() + QStringLiteral("/server");
    const QString work = world.path() + QStringLiteral("/work");
    QDir().mkpath(home);
    QDir().mkpath(work);
    hs_reg::values().etcdir = world.path() + QStringLiteral("/etc/");
    QDir().mkpath(hs_reg::values().etcdir);
    hs_reg::openini(hs_reg::values().etcdir + QStringLiteral("veltrona.ini"));

    std::printf("making a %lld MB file ...\n", sizeMb);
    if (!makeFile(home + QStringLiteral("/big.bin"), size) || !makeFile(work + QStringLiteral("/send.bin"), size)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", qPrintable(world.path()));
        return 1;
    }

    FtpTestServer server;
    QString error;
    if (!server.start(home, kUser, kPassword, {}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    hs_reg::setsection(ftpunit::kSection);
    hs_reg::writestr(QStringLiteral("server"), QStringLiteral("127.0.0.1"));
    hs_reg::writeint(QStringLiteral("port"), server.port());
    hs_reg::writestr(QStringLiteral("username"), kUser);
    hs_reg::writestr(QStringLiteral("password"), Felles::scrambletext(kPassword));
    hs_reg::standardsection();
    const QString base = QStringLiteral("ftp://%1:%2@127.0.0.1:%3/").arg(kUser, kPassword).arg(server.port());

    TFTPform form;
    const QString local = work + QStringLiteral("/big.bin");
    const QString send = work + QStringLiteral("/send.bin");
    const QString curlOut = work + QStringLiteral("/curl.bin");
    const auto mbps = [size](qint64 ms) { return ms > 0 ? size / 1e6 / (ms / 1000.0) : 0.0; };
    const auto report = [](const char *what, int round, double rate) {
        std::printf("  round %d  %-22s %8.1f MB/s\n", round, what, rate);
        std::fflush(stdout);
    };
    const auto runCurl = [&curl](const QStringList &a) {
        return QProcess::execute(curl, QStringList{QStringLiteral("-sS")} + a) == 0;
    };

    Result down, up;
    QElapsedTimer t;
    for (int r = 1; r <= rounds; ++r) {
        QFile::remove(work + QStringLiteral("/big.old"));
        t.start();
        form.HentFil(local);
        const qint64 oursDown = t.elapsed();
        if (ftpunit::values().FTPFeilNr != 0 || QFileInfo(local).size() != size) {
            std::fprintf(stderr, "HentFil failed: %d\n", ftpunit::values().FTPFeilNr);
            return 1;
        }
        down.ours.push_back(mbps(oursDown));
        report("HentFil", r, down.ours.back());

        QFile::remove(curlOut);
        t.start();
        const bool curlDownOk = runCurl({QStringLiteral("-o"), curlOut, base + QStringLiteral("big.bin")});
        const qint64 curlDown = t.elapsed();
        if (!curlDownOk || QFileInfo(curlOut).size() != size) {
            std::fprintf(stderr, "curl download failed\n");
            return 1;
        }
        down.curl.push_back(mbps(curlDown));
        report("curl download", r, down.curl.back());

        t.start();
        form.SendFil(send);
        const qint64 oursUp = t.elapsed();
        if (ftpunit::values().FTPFeilNr != 0 || QFileInfo(home + QStringLiteral("/send.bin")).size() != size) {
            std::fprintf(stderr, "SendFil failed: %d\n", ftpunit::values().FTPFeilNr);
            return 1;
        }
        up.ours.push_back(mbps(oursUp));
        report("SendFil", r, up.ours.back());

        t.start();
        const bool curlUpOk = runCurl({QStringLiteral("-T"), send, base + QStringLiteral("curl-up.bin")});
        const qint64 curlUp = t.elapsed();
        if (!curlUpOk || QFileInfo(home + QStringLiteral("/curl-up.bin")).size() != size) {
            std::fprintf(stderr, "curl upload failed\n");
            return 1;
        }
        up.curl.push_back(mbps(curlUp));
        report("curl upload", r, up.curl.back());
    }

    const double d = median(down.ours), dc = median(down.curl), u = median(up.ours), uc = median(up.curl);
    std::printf("\n%lld MB, %d rounds, medians:\n", sizeMb, rounds);
    std::printf("  download  HentFil %8.1f MB/s   curl %8.1f MB/s   share %.2f\n", d, dc, dc > 0 ? d / dc : 0);
    std::printf("  upload    SendFil %8.1f MB/s   curl %8.1f MB/s   share %.2f\n", u, uc, uc > 0 ? u / uc : 0);
    return 0;
}
