// Uploads and downloads against a real FTP server started by each test on 127.0.0.1.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <QWindow>
#include <QTimer>
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/felles.h"
#include "ftp_test_server.h"
#include "transfer/serveroppsett.h"
#include "transfer_fixture.h"

namespace {

const QString kUser = QStringLiteral("tester");
const QString kPassword = QStringLiteral("hemmelig ø 1");
const QString kHost = QStringLiteral("127.0.0.1");

QByteArray someBytes(qsizetype n, quint32 seed = 7)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (char &c : bytes)
        c = char(gen.generate() & 0xff);
    return bytes;
}

// A port on 127.0.0.1 that nothing listens on: bound once by the system's choice, then let go.
quint16 closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool makeSparse(const QString &path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.resize(size);
}

class FtpTransferTest : public TransferTest {
protected:
    void SetUp() override
    {
        TransferTest::SetUp();
        home_ = dir() + QStringLiteral("/ftphome");
        ASSERT_TRUE(QDir().mkpath(home_));
        ASSERT_TRUE(startServer({}));
        form = std::make_unique<TFTPform>();
        // The work notifications pass through here on their way to the window.
        form->IdFTP1.onWork = [this](ftp_client::WorkMode mode, qint64 count) {
            counts.push_back(count);
            stateDuringWork = form->panelText(1);
            form->IdFTP1Work(mode, count);
        };
    }
    void TearDown() override
    {
        form.reset();
        server.stop();
        TransferTest::TearDown();
    }

    bool startServer(const FtpTestServer::Options &options)
    {
        QString error;
        if (!server.start(home_, kUser, kPassword, options, &error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        useServer(server.port(), kPassword);
        return true;
    }
    static void useServer(quint16 port, const QString &password)
    {
        store(QStringLiteral("server"), kHost);
        store(QStringLiteral("port"), QString::number(port));
        store(QStringLiteral("username"), kUser);
        store(QStringLiteral("password"), Felles::scrambletext(password));
    }

    QString local(const QString &name) const { return work() + QLatin1Char('/') + name; }
    QString remote(const QString &name) const { return home_ + QLatin1Char('/') + name; }
    static QByteArray read(const QString &path) { return testenv::readFile(path); }
    static bool write(const QString &path, const QByteArray &bytes) { return testenv::writeFile(path, bytes); }
    static int feilNr() { return ftpunit::values().FTPFeilNr; }

    static QStringList uploadLines(const QString &file)
    {
        return {QStringLiteral("FTP: Starter ny sesjon for opplasting av ") + file,
                QStringLiteral("FTP: Kobler til 127.0.0.1 som bruker tester")};
    }
    QStringList downloadLines(const QString &file) const
    {
        const QString name = QFileInfo(file).fileName();
        return {QStringLiteral("FTP: Starter ny sesjon for nedlasting av ") + name + QStringLiteral(" til ")
                    + file.left(file.size() - name.size()),
                QStringLiteral("FTP: Kobler til 127.0.0.1 som bruker tester")};
    }

    FtpTestServer server;
    std::unique_ptr<TFTPform> form;
    std::vector<qint64> counts;
    QString stateDuringWork;

private:
    QString home_;
};

// --- Upload -------------------------------------------------------------------------------------

TEST_F(FtpTransferTest, UploadStoresTheFileAndLogsItsSteps)
{
    const QString file = local(QStringLiteral("faktura.dat"));
    const QByteArray content = someBytes(300000);
    ASSERT_TRUE(write(file, content));

    form->SendFil(file);

    EXPECT_EQ(ftpLog(), uploadLines(file) << QStringLiteral("FTP: Kobler fra."));
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(remote("faktura.dat")), content);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->ftpfil->text(), QStringLiteral("faktura.dat"));
    EXPECT_EQ(form->panelText(0), QStringLiteral("300000"));
    EXPECT_EQ(form->panelText(1), QStringLiteral("Frakoblet"));
    EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
    EXPECT_EQ(stateDuringWork, QStringLiteral("Laster opp data"));
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), 300000);
}

TEST_F(FtpTransferTest, ReadOnlyLocalFileIsUploaded)
{
    const QString file = local(QStringLiteral("låst.dat"));
    ASSERT_TRUE(write(file, "read only"));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);

    form->SendFil(file);

    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(remote("låst.dat")), QByteArray("read only"));
    EXPECT_EQ(ftpLog(), uploadLines(file) << QStringLiteral("FTP: Kobler fra."));
}

TEST_F(FtpTransferTest, UploadOfAMissingLocalFileConnectsToNothing)
{
    const QString file = local(QStringLiteral("borte.dat"));

    form->SendFil(file);

    EXPECT_EQ(ftpLog(), (QStringList{QStringLiteral("FTP: Starter ny sesjon for opplasting av ") + file,
                                     QStringLiteral("FTP: Kan ikke finne filstørrelse, avbryter.")}));
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(form->panelText(1), QStringLiteral("Klar"));
    EXPECT_FALSE(form->isVisible());
}

struct FolderCase {
    const char *mappe;        // FTPMappe before the transfers
    const char *serverPath;   // where the file lands below the server's root
    const char *mappeAfter;
};
void PrintTo(const FolderCase &c, std::ostream *os) { *os << '"' << c.mappe << '"'; }

class FtpUploadFolderTest : public FtpTransferTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FtpUploadFolderTest, RemoteNameIsTheFolderAndTheFileName)
{
    const FolderCase &c = GetParam();
    ASSERT_TRUE(QDir().mkpath(remote(QStringLiteral("inn"))));
    ftpunit::values().FTPMappe = QString::fromUtf8(c.mappe);
    const QString file = local(QStringLiteral("ordre.dat"));
    ASSERT_TRUE(write(file, "first"));

    form->SendFil(file);
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(remote(QString::fromUtf8(c.serverPath))), QByteArray("first"));
    EXPECT_EQ(ftpunit::values().FTPMappe, QString::fromUtf8(c.mappeAfter));

    // A second upload in the same run adds nothing to the folder and replaces the file.
    ASSERT_TRUE(write(file, "second"));
    form->SendFil(file);
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(remote(QString::fromUtf8(c.serverPath))), QByteArray("second"));
    EXPECT_EQ(ftpunit::values().FTPMappe, QString::fromUtf8(c.mappeAfter));
}

std::string uploadFolderName(size_t i)
{
    static const char *names[] = {"Relative", "RelativeWithSlash", "Absolute", "Empty"};
    return names[i];
}

INSTANTIATE_TEST_SUITE_P(Folders, FtpUploadFolderTest,
                         ::testing::Values(FolderCase{"inn", "inn/ordre.dat", "inn/"},
                                           FolderCase{"inn/", "inn/ordre.dat", "inn/"},
                                           FolderCase{"/inn", "inn/ordre.dat", "/inn/"},
                                           FolderCase{"", "ordre.dat", ""}),
                         [](const auto &info) { return uploadFolderName(info.index); });

struct UploadFailureCase {
    const char *what;
    qint64 dropAfter;   // server drops the connection after this many bytes
    const char *mappe;
};
void PrintTo(const UploadFailureCase &c, std::ostream *os) { *os << c.what; }

class FtpUploadFailureTest : public FtpTransferTest, public ::testing::WithParamInterface<UploadFailureCase> {};

TEST_P(FtpUploadFailureTest, FailureAfterConnectingIsReportedNotSwallowed)
{
    const UploadFailureCase &c = GetParam();
    if (c.dropAfter) {
        ASSERT_TRUE(startServer({.throttle = 0, .dropAfter = c.dropAfter}));
    }
    ftpunit::values().FTPMappe = QString::fromUtf8(c.mappe);
    const QString file = local(QStringLiteral("stor.dat"));
    ASSERT_TRUE(write(file, someBytes(4 << 20)));

    form->SendFil(file);

    EXPECT_EQ(ftpLog(), uploadLines(file) << QStringLiteral("FTP: Feil nr. 503, kan ikke laste opp filen ") + file
                                          << QStringLiteral("FTP: Kobler fra."))
        << c.what;
    EXPECT_EQ(feilNr(), 503);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->IdFTP1.connected());
    EXPECT_EQ(form->panelText(1), QStringLiteral("Frakoblet"));
}

INSTANTIATE_TEST_SUITE_P(Failures, FtpUploadFailureTest,
                         ::testing::Values(UploadFailureCase{"remote folder missing", 0, "/finnes-ikke"},
                                           UploadFailureCase{"server goes away", 256 * 1024, ""}),
                         [](const auto &info) { return std::string(info.index == 0 ? "MissingFolder" : "ServerGoesAway"); });

// --- Download -----------------------------------------------------------------------------------

TEST_F(FtpTransferTest, DownloadReplacesTheLocalFileAndKeepsThePreviousOne)
{
    const QString file = local(QStringLiteral("kunder.dat"));
    const QString oldFile = local(QStringLiteral("kunder.old"));
    const QString tmpFile = local(QStringLiteral("kunder.tmp"));
    const QByteArray content = someBytes(500000);
    ASSERT_TRUE(write(remote("kunder.dat"), content));
    ASSERT_TRUE(write(file, "previous"));
    ASSERT_TRUE(write(oldFile, "older"));

    form->HentFil(file);

    EXPECT_EQ(ftpLog(), downloadLines(file) << QStringLiteral("FTP: filstørrelse 500000")
                                            << QStringLiteral("FTP: Tilkoblet, henter filen kunder.dat")
                                            << QStringLiteral("FTP: Kobler fra.")
                                            << QStringLiteral("FTP: slettet midlertidig fil: ") + oldFile
                                            << QStringLiteral("FTP: endret navn på ") + file
                                                   + QStringLiteral(" til ") + oldFile
                                            << QStringLiteral("FTP: endret navn på ") + tmpFile
                                                   + QStringLiteral(" til ") + file);
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), content);
    EXPECT_EQ(read(oldFile), QByteArray("previous"));
    EXPECT_FALSE(QFile::exists(tmpFile));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->progressMax(), 500000);
    EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
    EXPECT_EQ(form->panelText(0), QStringLiteral("500000"));
    EXPECT_EQ(form->panelText(1), QStringLiteral("Frakoblet"));
    EXPECT_EQ(stateDuringWork, QStringLiteral("Laster ned data"));
}

TEST_F(FtpTransferTest, DownloadOfANewFileRenamesOnlyTheTemporaryFile)
{
    const QString file = local(QStringLiteral("README"));
    ASSERT_TRUE(write(remote("README"), "les meg"));

    form->HentFil(file);

    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("les meg"));
    const QStringList log = ftpLog();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.back(), QStringLiteral("FTP: endret navn på ") + file + QStringLiteral(".tmp til ") + file);
    EXPECT_EQ(log.filter(QStringLiteral("slettet")).size(), 0);
    EXPECT_EQ(log.filter(QStringLiteral("endret navn")).size(), 1);
}

TEST_F(FtpTransferTest, LocalNameWithoutADotGetsDotTmpAndDotOld)
{
    const QString file = local(QStringLiteral("README"));
    ASSERT_TRUE(write(remote("README"), "new"));
    ASSERT_TRUE(write(file, "old text"));

    form->HentFil(file);

    EXPECT_EQ(read(file), QByteArray("new"));
    EXPECT_EQ(read(file + QStringLiteral(".old")), QByteArray("old text"));
    EXPECT_TRUE(ftpLog().contains(QStringLiteral("FTP: endret navn på ") + file + QStringLiteral(" til ") + file
                                  + QStringLiteral(".old")));
}

TEST_F(FtpTransferTest, FolderWithADotKeepsTheSideFilesInside)
{
    ASSERT_TRUE(QDir().mkpath(local(QStringLiteral("my.data"))));
    const QString file = local(QStringLiteral("my.data/kunder.dat"));
    ASSERT_TRUE(write(remote("kunder.dat"), "new"));
    ASSERT_TRUE(write(file, "old"));
    ASSERT_TRUE(write(local(QStringLiteral("my.old")), "someone else's file"));

    form->HentFil(file);

    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("new"));
    EXPECT_EQ(read(local(QStringLiteral("my.data/kunder.old"))), QByteArray("old"));
    EXPECT_EQ(read(local(QStringLiteral("my.old"))), QByteArray("someone else's file"));
    EXPECT_FALSE(QFile::exists(local(QStringLiteral("my.tmp"))));
}

TEST_F(FtpTransferTest, MissingRemoteFileTouchesNoLocalFileAndClosesTheWindow)
{
    const QString file = local(QStringLiteral("mangler.dat"));
    ASSERT_TRUE(write(file, "keep"));

    form->HentFil(file);

    EXPECT_EQ(ftpLog(), downloadLines(file) << QStringLiteral("FTP: finner ikke filen mangler.dat, avbryter forbindelse")
                                            << QStringLiteral("FTP: 127.0.0.1 frakoblet"));
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("keep"));
    EXPECT_FALSE(QFile::exists(local(QStringLiteral("mangler.tmp"))));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->IdFTP1.connected());
    EXPECT_EQ(form->panelText(1), QStringLiteral("Frakoblet"));
}

struct DownloadFolderCase {
    const char *mappe;
    const char *serverPath;
    const char *logged;
};
void PrintTo(const DownloadFolderCase &c, std::ostream *os) { *os << '"' << c.mappe << '"'; }

class FtpDownloadFolderTest : public FtpTransferTest, public ::testing::WithParamInterface<DownloadFolderCase> {};

TEST_P(FtpDownloadFolderTest, FolderIsUsedAsItIs)
{
    const DownloadFolderCase &c = GetParam();
    ASSERT_TRUE(QDir().mkpath(remote(QStringLiteral("inn"))));
    ASSERT_TRUE(write(remote(QString::fromUtf8(c.serverPath)), "data"));
    ftpunit::values().FTPMappe = QString::fromUtf8(c.mappe);
    const QString file = local(QStringLiteral("ordre.dat"));

    form->HentFil(file);

    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("data"));
    EXPECT_TRUE(ftpLog().contains(QStringLiteral("FTP: Tilkoblet, henter filen ") + QString::fromUtf8(c.logged)));
    EXPECT_EQ(ftpunit::values().FTPMappe, QString::fromUtf8(c.mappe));
}

std::string downloadFolderName(size_t i)
{
    static const char *names[] = {"NoSlash", "RelativeWithSlash", "Absolute"};
    return names[i];
}

INSTANTIATE_TEST_SUITE_P(Folders, FtpDownloadFolderTest,
                         ::testing::Values(DownloadFolderCase{"inn", "innordre.dat", "innordre.dat"},
                                           DownloadFolderCase{"inn/", "inn/ordre.dat", "inn/ordre.dat"},
                                           DownloadFolderCase{"/inn/", "inn/ordre.dat", "/inn/ordre.dat"}),
                         [](const auto &info) { return downloadFolderName(info.index); });

TEST_F(FtpTransferTest, EmptyRemoteFileLeavesTheLocalFileAsItIs)
{
    const QString file = local(QStringLiteral("tom.dat"));
    ASSERT_TRUE(write(remote("tom.dat"), QByteArray()));
    ASSERT_TRUE(write(file, "keep"));

    form->HentFil(file);

    EXPECT_EQ(ftpLog(), downloadLines(file) << QStringLiteral("FTP: filstørrelse 0")
                                            << QStringLiteral("FTP: Tilkoblet, henter filen tom.dat")
                                            << QStringLiteral("FTP: Kobler fra."));
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("keep"));
    EXPECT_TRUE(QFile::exists(local(QStringLiteral("tom.tmp"))));
    EXPECT_EQ(QFileInfo(local(QStringLiteral("tom.tmp"))).size(), 0);
}

TEST_F(FtpTransferTest, EmptyDownloadIsNotMistakenForAnotherFileMatchingItsName)
{
    const QString file = local(QStringLiteral("rapport-?.dat"));
    ASSERT_TRUE(write(remote("rapport-?.dat"), QByteArray()));
    ASSERT_TRUE(write(file, "keep"));
    // Other files the name matches as a pattern, enough that one of them comes first in a listing.
    for (const QChar c : QStringLiteral("0123456789abcdefghij"))
        ASSERT_TRUE(write(local(QStringLiteral("rapport-") + c + QStringLiteral(".tmp")), "another"));

    form->HentFil(file);

    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("keep"));
    EXPECT_TRUE(ftpLog().filter(QStringLiteral("endret navn")).isEmpty());
}

TEST_F(FtpTransferTest, OldFileThatCannotBeDeletedLeavesTheDownloadUnderTheTemporaryName)
{
    const QString file = local(QStringLiteral("lager.dat"));
    // A folder in the old file's place: it can be neither deleted as a file nor replaced.
    ASSERT_TRUE(QDir().mkpath(local(QStringLiteral("lager.old"))));
    ASSERT_TRUE(write(local(QStringLiteral("lager.old/inside")), "x"));
    ASSERT_TRUE(write(remote("lager.dat"), "new"));
    ASSERT_TRUE(write(file, "current"));

    form->HentFil(file);

    EXPECT_EQ(ftpLog(), downloadLines(file) << QStringLiteral("FTP: filstørrelse 3")
                                            << QStringLiteral("FTP: Tilkoblet, henter filen lager.dat")
                                            << QStringLiteral("FTP: Kobler fra."));
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(file), QByteArray("current"));
    EXPECT_EQ(read(local(QStringLiteral("lager.tmp"))), QByteArray("new"));
    EXPECT_EQ(read(local(QStringLiteral("lager.old/inside"))), QByteArray("x"));
}

TEST_F(FtpTransferTest, ServerThatGoesAwayMidDownloadLeavesTheLocalFileIntact)
{
    ASSERT_TRUE(startServer({.throttle = 0, .dropAfter = 256 * 1024}));
    const QString file = local(QStringLiteral("stor.dat"));
    ASSERT_TRUE(write(remote("stor.dat"), someBytes(4 << 20)));
    ASSERT_TRUE(write(file, "precious"));

    form->HentFil(file);

    EXPECT_EQ(ftpLog(), downloadLines(file) << QStringLiteral("FTP: filstørrelse 4194304")
                                            << QStringLiteral("FTP: Tilkoblet, henter filen stor.dat")
                                            << QStringLiteral("FTP: Feil nr. 500, kan ikke laste ned filen ") + file
                                                   + QStringLiteral(". Sjekk at filen ikke er i bruk.")
                                            << QStringLiteral("FTP: Kobler fra."));
    EXPECT_EQ(feilNr(), 500);
    EXPECT_EQ(read(file), QByteArray("precious"));
    const QFileInfo tmp(local(QStringLiteral("stor.tmp")));
    EXPECT_TRUE(tmp.exists()) << "the temporary file is left";
    EXPECT_LT(tmp.size(), 4 << 20);
    EXPECT_FALSE(QFile::exists(local(QStringLiteral("stor.old"))));
}

// --- Both directions -----------------------------------------------------------------------------

// A close request as the window manager sends it.
void windowManagerCloses(QWidget *w)
{
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::sendEvent(w->windowHandle(), &event);
}

TEST_F(FtpTransferTest, NoWindowClosesInTheMiddleOfATransfer)
{
    QWidget mainWindow;
    mainWindow.show();
    const QString file = local(QStringLiteral("midt.dat"));
    ASSERT_TRUE(write(file, someBytes(1 << 20)));
    bool bothOpen = false;
    form->IdFTP1.onWork = [&](ftp_client::WorkMode mode, qint64 count) {
        form->IdFTP1Work(mode, count);
        windowManagerCloses(&mainWindow);
        windowManagerCloses(form.get());
        bothOpen = mainWindow.isVisible() && form->isVisible();
    };

    form->SendFil(file);

    EXPECT_TRUE(bothOpen);
    EXPECT_EQ(feilNr(), 0);
    EXPECT_FALSE(form->isVisible());
    windowManagerCloses(&mainWindow);
    EXPECT_FALSE(mainWindow.isVisible()) << "closing works again after the transfer";
}

enum class Refusal { WrongPassword, NothingListening, TlsRequired };

struct RefusalCase {
    Refusal refusal;
    bool upload;
};
void PrintTo(const RefusalCase &c, std::ostream *os) { *os << int(c.refusal) << (c.upload ? " upload" : " download"); }

class FtpRefusedTest : public FtpTransferTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(FtpRefusedTest, FailedLogInIsReportedWithItsNumberAndTouchesNoFile)
{
    const RefusalCase &c = GetParam();
    switch (c.refusal) {
    case Refusal::WrongPassword:
        useServer(server.port(), QStringLiteral("feil passord"));
        break;
    case Refusal::NothingListening: {
        const quint16 port = closedPort();
        ASSERT_NE(port, 0);
        useServer(port, kPassword);
        break;
    }
    case Refusal::TlsRequired:
        store(QStringLiteral("ssl"), QStringLiteral("1"));
        break;
    }
    const QString file = local(QStringLiteral("sak.dat"));
    ASSERT_TRUE(write(file, "local"));
    ASSERT_TRUE(write(remote("sak.dat"), "remote"));

    if (c.upload) {
        form->SendFil(file);
        EXPECT_EQ(ftpLog(), uploadLines(file) << QStringLiteral("FTP: Feil nr. 502, kunne ikke koble til"));
        EXPECT_EQ(feilNr(), 502);
        EXPECT_EQ(read(remote("sak.dat")), QByteArray("remote"));
    } else {
        form->HentFil(file);
        EXPECT_EQ(ftpLog(), downloadLines(file) << QStringLiteral(
                                "FTP: Feil nr. 501, kunne ikke koble til 127.0.0.1 med brukernavn tester"));
        EXPECT_EQ(feilNr(), 501);
        EXPECT_FALSE(QFile::exists(local(QStringLiteral("sak.tmp"))));
    }
    EXPECT_EQ(read(file), QByteArray("local"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->IdFTP1.connected());
}

std::string refusalName(const RefusalCase &c)
{
    static const char *names[] = {"WrongPassword", "NothingListening", "TlsRequired"};
    return std::string(names[int(c.refusal)]) + (c.upload ? "Upload" : "Download");
}

INSTANTIATE_TEST_SUITE_P(Refusals, FtpRefusedTest,
                         ::testing::Values(RefusalCase{Refusal::WrongPassword, true},
                                           RefusalCase{Refusal::WrongPassword, false},
                                           RefusalCase{Refusal::NothingListening, true},
                                           RefusalCase{Refusal::NothingListening, false},
                                           RefusalCase{Refusal::TlsRequired, true},
                                           RefusalCase{Refusal::TlsRequired, false}),
                         [](const auto &info) { return refusalName(info.param); });

TEST_F(FtpTransferTest, VerboseLogAddsTheReasonAfterTheErrorLine)
{
    textfil::values().VerboseLog = true;
    store(QStringLiteral("ssl"), QStringLiteral("1"));
    const QString file = local(QStringLiteral("sak.dat"));

    form->HentFil(file);

    const QStringList log = ftpLog();
    ASSERT_EQ(log.size(), 4);
    EXPECT_TRUE(log[2].startsWith(QStringLiteral("FTP: Feil nr. 501")));
    EXPECT_TRUE(log[3].startsWith(QStringLiteral("FTP: ")));
    EXPECT_TRUE(log[3].contains(QStringLiteral("SSL")) || log[3].contains(QStringLiteral("TLS"))) << log[3].toStdString();
}

TEST_F(FtpTransferTest, CaptionShowsTheServerLoadedBeforeTheShow)
{
    QStringList captions;
    form->IdFTP1.onConnected = [&] {
        captions << form->windowTitle();
        form->IdFTP1Connected();
    };
    const QString file = local(QStringLiteral("a.dat"));
    ASSERT_TRUE(write(file, "a"));

    form->SendFil(file);
    form->SendFil(file);

    EXPECT_EQ(captions, (QStringList{QStringLiteral("ftp.example.com"), kHost}));
}

TEST_F(FtpTransferTest, FirstTransferAsksForTheServerAndUsesWhatTheUserTyped)
{
    hs_reg::settingsfile()->loadText(QString());
    hs_reg::openini(hs_reg::values().ininame);  // no FTP section at all
    ASSERT_FALSE(hs_reg::settingsfile()->hasSection(ftpunit::kSection));
    const QString file = local(QStringLiteral("første.dat"));
    ASSERT_TRUE(write(file, "hei"));

    QString caption;
    const quint16 port = server.port();
    onNextModal([&caption, port](QWidget *w) {
        caption = w->windowTitle();
        const auto typeInto = [w](const char *field, const QString &text) {
            auto *edit = w->findChild<QLineEdit *>(QLatin1String(field));
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, text);
        };
        typeInto("server", kHost);
        typeInto("brukernavn", kUser);
        typeInto("passord", kPassword);
        typeInto("port", QString::number(port));
        QTest::keyClick(w->findChild<QLineEdit *>("port"), Qt::Key_Return);
    });

    form->SendFil(file);

    EXPECT_EQ(caption, QStringLiteral("Oppsett FTP-server"));
    EXPECT_EQ(feilNr(), 0);
    EXPECT_EQ(read(remote("første.dat")), QByteArray("hei"));
    EXPECT_EQ(stored("name"), QStringLiteral("Veltrona FTP-server"));
    EXPECT_EQ(stored("server"), kHost);
    EXPECT_EQ(stored("folder"), QStringLiteral(""));
    EXPECT_EQ(stored("username"), kUser);
    EXPECT_EQ(stored("password"), Felles::scrambletext(kPassword));
    EXPECT_EQ(stored("port"), QString::number(port));
}

// --- Files of 2 GiB and more --------------------------------------------------------------------
// Moving 2 GiB through the loopback takes 20 to 30 s each way on the test machines, so the server
// holds a sparse file just past 2 GiB and drops the connection after a few hundred kilobytes: what
// is checked is the 64-bit size from the server and of the local file, the bar's range and the
// failure path, none of which needs the bytes in between. Counts past 2 GiB are covered by the
// window's own scaling tests.

constexpr qint64 kBig = (qint64(2) << 30) + (1 << 20);

TEST_F(FtpTransferTest, DownloadOfAFileOver2GiBTakesItsFullSize)
{
    ASSERT_TRUE(startServer({.throttle = 0, .dropAfter = 512 * 1024}));
    ASSERT_TRUE(makeSparse(remote("stor.img"), kBig));
    const QString file = local(QStringLiteral("stor.img"));

    form->HentFil(file);

    const QStringList log = ftpLog();
    EXPECT_TRUE(log.contains(QStringLiteral("FTP: filstørrelse ") + QString::number(kBig))) << log.join('\n').toStdString();
    EXPECT_TRUE(log.filter(QStringLiteral("Feil nr. 501")).isEmpty());
    EXPECT_EQ(form->progressMax(), kBig);
    EXPECT_GT(form->ProgressBar1->maximum(), 0);
    EXPECT_EQ(feilNr(), 500) << "the server dropped the connection on purpose";
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(FtpTransferTest, UploadOfAFileOver2GiBTakesItsFullSize)
{
    ASSERT_TRUE(startServer({.throttle = 0, .dropAfter = 512 * 1024}));
    const QString file = local(QStringLiteral("stor.img"));
    ASSERT_TRUE(makeSparse(file, kBig));

    form->SendFil(file);

    EXPECT_TRUE(ftpLog().filter(QStringLiteral("Kan ikke finne filstørrelse")).isEmpty());
    EXPECT_EQ(form->progressMax(), kBig);
    EXPECT_EQ(feilNr(), 503) << "the server dropped the connection on purpose";
    ASSERT_FALSE(counts.empty());
    EXPECT_LT(counts.back(), kBig);
}

// --- Screenshots (run by tests/screenshots/test_cases.sh under a virtual display) ----------------

// The window with a margin, from the screen, into the file BO_SHOT_FILE names.
void shoot(const QWidget &window)
{
    const QString out = qEnvironmentVariable("BO_SHOT_FILE");
    ASSERT_FALSE(out.isEmpty()) << "BO_SHOT_FILE names the picture to write";
    const QRect r = window.frameGeometry().adjusted(-12, -12, 12, 12);
    const QString crop = QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    EXPECT_EQ(QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                          QStringLiteral("-crop"), crop, QStringLiteral("+repage"), out}),
              0);
}

TEST_F(FtpTransferTest, DISABLED_ScreenshotMidTransfer)
{
    constexpr qint64 size = 3 << 20;
    ASSERT_TRUE(startServer({.throttle = 512 * 1024, .dropAfter = 0}));
    ASSERT_TRUE(write(remote("lønnsdata-2026.dat"), someBytes(size)));
    form->move(40, 40);
    bool shot = false;
    form->IdFTP1.onWork = [&](ftp_client::WorkMode mode, qint64 count) {
        form->IdFTP1Work(mode, count);
        if (!shot && count >= size * 2 / 5) {
            shot = true;
            shoot(*form);  // the window as the transfer has painted it, nothing else let in
        }
    };

    form->HentFil(local(QStringLiteral("lønnsdata-2026.dat")));

    EXPECT_TRUE(shot);
    EXPECT_EQ(feilNr(), 0);
}

TEST_F(FtpTransferTest, DISABLED_ScreenshotServerSettings)
{
    store(QStringLiteral("name"), QStringLiteral("Veltrona FTP-server"));
    store(QStringLiteral("server"), QStringLiteral("ftp.fjordtre.example"));
    store(QStringLiteral("folder"), QStringLiteral("/utveksling"));
    store(QStringLiteral("username"), QStringLiteral("fjordtre"));
    store(QStringLiteral("password"), Felles::scrambletext(QStringLiteral("hemmelig")));
    store(QStringLiteral("port"), QStringLiteral("21"));
    store(QStringLiteral("ssl"), QStringLiteral("1"));
    onNextModal([](QWidget *w) {
        w->move(40, 40);
        QTest::qWait(500);  // let the window system draw it before the picture is taken
        shoot(*w);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    serveroppsett::VisServerOppsett(QStringLiteral("Oppsett FTP-server"), QStringLiteral("FTP"));
}

} // namespace
