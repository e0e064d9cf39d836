// The transfer window: its parts, the states of the status bar and the progress bar's scaling.
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <gtest/gtest.h>

#include "common/plugins.h"
#include "transfer_fixture.h"

namespace {

using FtpWindowTest = TransferTest;
using Mode = ftp_client::WorkMode;

TEST_F(FtpWindowTest, BeforeTheFirstTransfer)
{
    TFTPform form;
    EXPECT_EQ(TFTPform::instance(), &form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("FTPform"));
    EXPECT_EQ(form.size(), QSize(209, 64));
    EXPECT_EQ(form.findChild<QLabel *>("ftpfil")->text(), QStringLiteral("filnavn.ending"));
    EXPECT_EQ(form.findChild<QLabel *>("ftpfil")->geometry(), QRect(8, 8, 201, 13));
    EXPECT_EQ(form.findChild<QProgressBar *>("ProgressBar1")->geometry(), QRect(8, 32, 201, 16));
    EXPECT_EQ(form.findChild<QProgressBar *>("ProgressBar1")->value(), 0);
    EXPECT_EQ(form.findChild<QStatusBar *>("StatusBar1")->height(), 19);
    EXPECT_EQ(form.panelText(0), QStringLiteral("0"));
    EXPECT_EQ(form.panelText(1), QStringLiteral("Klar"));
}

TEST_F(FtpWindowTest, ShowingTakesTheServerAsCaptionAndEmptiesTheFileLabel)
{
    TFTPform form;
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ftp.example.com"));
    EXPECT_EQ(form.ftpfil->text(), QStringLiteral(""));
    form.hide();
    ftpunit::values().FTPServer = QStringLiteral("10.1.2.3");
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("10.1.2.3"));
}

TEST_F(FtpWindowTest, NotificationsSetTheStateAndTheCount)
{
    TFTPform form;
    form.IdFTP1Connected();
    EXPECT_EQ(form.panelText(1), QStringLiteral("Tilkoblet"));
    form.IdFTP1WorkBegin(Mode::Read, 100);
    EXPECT_EQ(form.panelText(1), QStringLiteral("Laster ned data"));
    form.IdFTP1WorkBegin(Mode::Write, 100);
    EXPECT_EQ(form.panelText(1), QStringLiteral("Laster opp data"));
    form.setProgressMax(1000);
    form.IdFTP1Work(Mode::Write, 250);
    EXPECT_EQ(form.ProgressBar1->value(), 250);
    EXPECT_EQ(form.panelText(0), QStringLiteral("250"));
    form.IdFTP1Disconnected();
    EXPECT_EQ(form.panelText(1), QStringLiteral("Frakoblet"));
    EXPECT_EQ(form.panelText(0), QStringLiteral("250")) << "the count stays until the next transfer";
}

struct ScaleCase {
    qint64 size;
    qint64 count;
    double fraction;  // of the bar
};
void PrintTo(const ScaleCase &c, std::ostream *os) { *os << c.count << " of " << c.size; }

class FtpProgressScaleTest : public TransferTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(FtpProgressScaleTest, BarFollowsTheByteCountAtAnySize)
{
    const ScaleCase &c = GetParam();
    TFTPform form;
    form.setProgressMax(c.size);
    form.IdFTP1Work(Mode::Read, c.count);
    const QProgressBar *bar = form.ProgressBar1;
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_NEAR(double(bar->value()) / bar->maximum(), c.fraction, 1e-6);
    EXPECT_EQ(form.panelText(0), QString::number(c.count)) << "the full 64-bit count";
    if (c.count == c.size) {
        EXPECT_EQ(bar->value(), bar->maximum());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FtpProgressScaleTest,
    ::testing::Values(ScaleCase{1000, 1000, 1.0}, ScaleCase{1000, 0, 0.0}, ScaleCase{1000, 1500, 1.0},
                      ScaleCase{qint64(INT_MAX), qint64(INT_MAX), 1.0},
                      ScaleCase{qint64(INT_MAX) + 1, qint64(INT_MAX) + 1, 1.0},
                      ScaleCase{5LL << 30, 5LL << 30, 1.0}, ScaleCase{5LL << 30, 5LL << 29, 0.5},
                      ScaleCase{(3LL << 40) + 7, (3LL << 40) + 7, 1.0}),
                         [](const auto &info) {
                             return "Size" + std::to_string(info.param.size) + "Count" + std::to_string(info.param.count);
                         });

TEST_F(FtpWindowTest, EmptyFileDoesNotTurnTheBarIntoABusyIndicator)
{
    TFTPform form;
    form.setProgressMax(0);
    form.IdFTP1Work(Mode::Read, 0);
    EXPECT_GT(form.ProgressBar1->maximum(), form.ProgressBar1->minimum());
}

TEST_F(FtpWindowTest, MissingFtpModuleFailsTheTransferWithItsReason)
{
    plugins::setFolder(dir() + QStringLiteral("/ingen-moduler"));
    store(QStringLiteral("server"), QStringLiteral("127.0.0.1"));
    store(QStringLiteral("port"), QStringLiteral("21"));
    const QString file = work() + QStringLiteral("/sak.dat");
    ASSERT_TRUE(testenv::writeFile(file, "data"));
    TFTPform form;
    form.SendFil(file);
    EXPECT_EQ(ftpunit::values().FTPFeilNr, 502);
    const QStringList log = ftpLog();
    const qsizetype failed = log.indexOf(QStringLiteral("FTP: Feil nr. 502, kunne ikke koble til"));
    ASSERT_GE(failed, 0) << log;
    EXPECT_EQ(log.value(failed + 1), QStringLiteral("FTP: Årsak: FTP-biblioteket (libcurl) kan ikke lastes: tilleggsmodulen ")
                                         + dir() + QStringLiteral("/ingen-moduler/ftp.so finnes ikke"));
    EXPECT_FALSE(form.isVisible());
}

} // namespace
