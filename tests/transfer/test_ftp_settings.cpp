// The FTP server settings: loading, defaults, first-time set-up and the server settings window.
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/felles.h"
#include "transfer/serveroppsett.h"
#include "transfer_fixture.h"

namespace {

using FtpSettingsTest = TransferTest;

TEST_F(FtpSettingsTest, LoadTakesEverySettingEvenEmptyAndReturnsToStandard)
{
    store(QStringLiteral("server"), QStringLiteral("ftp.firma.no"));
    store(QStringLiteral("username"), QStringLiteral(""));
    store(QStringLiteral("password"), Felles::scrambletext(QStringLiteral("hemmelig ø")));
    store(QStringLiteral("port"), QStringLiteral("2121"));
    store(QStringLiteral("folder"), QStringLiteral("/inn"));
    ftpunit::values().FTPMappe = QStringLiteral("kept/");
    hs_reg::setsection(QStringLiteral("ANNET"));

    ftpunit::LesFTPOppsett();

    const ftpunit::Values &v = ftpunit::values();
    EXPECT_EQ(v.FTPServer, QStringLiteral("ftp.firma.no"));
    EXPECT_EQ(v.FTPBruker, QStringLiteral(""));
    EXPECT_EQ(v.FTPPassord, QStringLiteral("hemmelig ø"));
    EXPECT_EQ(v.FTPPort, 2121);
    EXPECT_FALSE(v.FTPSSL);
    EXPECT_EQ(v.FTPMappe, QStringLiteral("kept/")) << "the folder key is not loaded";
    EXPECT_EQ(hs_reg::inisection(), QStringLiteral("STANDARD"));
}

TEST_F(FtpSettingsTest, LoadOfMissingKeysGivesEmptyTextsPortZeroAndNoSsl)
{
    store(QStringLiteral("ssl"), QStringLiteral("1"));
    ftpunit::LesFTPOppsett();
    EXPECT_TRUE(ftpunit::values().FTPSSL);
    hs_reg::settingsfile()->setValue(ftpunit::kSection, QStringLiteral("ssl"), QStringLiteral("0"));

    ftpunit::LesFTPOppsett();
    const ftpunit::Values &v = ftpunit::values();
    EXPECT_EQ(v.FTPServer, QString());
    EXPECT_EQ(v.FTPPassord, QString());
    EXPECT_EQ(v.FTPPort, 0);
    EXPECT_FALSE(v.FTPSSL);
}

TEST_F(FtpSettingsTest, DefaultsOverwriteTheSixKeysInOrderAndKeepOthers)
{
    store(QStringLiteral("extra"), QStringLiteral("stays"));
    store(QStringLiteral("port"), QStringLiteral("990"));

    ftpunit::SkrivStandardFTPOppsett();

    const QStringList keys = hs_reg::settingsfile()->keys(ftpunit::kSection);
    EXPECT_EQ(keys, (QStringList{"extra", "port", "name", "server", "folder", "username", "password"}));
    EXPECT_EQ(stored("name"), QStringLiteral("Veltrona FTP-server"));
    EXPECT_EQ(stored("server"), QStringLiteral("ftp.example.com"));
    EXPECT_EQ(stored("folder"), QStringLiteral(""));
    EXPECT_EQ(stored("username"), QStringLiteral("anonymous"));
    EXPECT_EQ(stored("password"), Felles::scrambletext(QStringLiteral("gjestekod")));
    EXPECT_NE(stored("password"), QStringLiteral("gjestekod"));
    EXPECT_EQ(stored("port"), QStringLiteral("21"));
    EXPECT_EQ(stored("extra"), QStringLiteral("stays"));
    EXPECT_EQ(hs_reg::inisection(), QStringLiteral("STANDARD"));
}

TEST_F(FtpSettingsTest, FallbacksForUserAndPasswordStayInMemory)
{
    store(QStringLiteral("server"), QStringLiteral("10.0.0.5"));

    ftpunit::HentFTPOppsett();

    EXPECT_EQ(ftpunit::values().FTPBruker, QStringLiteral("anonymous"));
    EXPECT_EQ(ftpunit::values().FTPPassord, QStringLiteral("gjestekod"));
    EXPECT_EQ(stored("username"), QStringLiteral("<absent>"));
    EXPECT_EQ(stored("password"), QStringLiteral("<absent>"));
}

TEST_F(FtpSettingsTest, FirstUseWritesDefaultsAndCancelKeepsThem)
{
    QString caption;
    onNextModal([&caption](QWidget *w) {
        caption = w->windowTitle();
        QTest::keyClick(w, Qt::Key_Escape);
    });

    ftpunit::HentFTPOppsett();

    EXPECT_EQ(caption, QStringLiteral("Oppsett FTP-server"));
    EXPECT_EQ(ftpunit::values().FTPServer, QStringLiteral("ftp.example.com"));
    EXPECT_EQ(ftpunit::values().FTPPassord, QStringLiteral("gjestekod"));
    EXPECT_EQ(ftpunit::values().FTPPort, 21);
    EXPECT_EQ(stored("name"), QStringLiteral("Veltrona FTP-server"));
}

TEST_F(FtpSettingsTest, WindowLoadsTheSectionWhenShown)
{
    store(QStringLiteral("name"), QStringLiteral("Hovedkontor"));
    store(QStringLiteral("server"), QStringLiteral("ftp.firma.no"));
    store(QStringLiteral("folder"), QStringLiteral("/inn"));
    store(QStringLiteral("username"), QStringLiteral("ola"));
    store(QStringLiteral("password"), Felles::scrambletext(QStringLiteral("pw")));
    store(QStringLiteral("port"), QStringLiteral("2121"));
    store(QStringLiteral("ssl"), QStringLiteral("1"));

    TServerOppsettForm form;
    form.setServerKind(QStringLiteral("FTP"));
    form.show();

    EXPECT_EQ(form.size(), QSize(449, 283));
    EXPECT_EQ(form.findChild<QLineEdit *>("navn")->text(), QStringLiteral("Hovedkontor"));
    EXPECT_EQ(form.findChild<QLineEdit *>("server")->text(), QStringLiteral("ftp.firma.no"));
    EXPECT_EQ(form.findChild<QLineEdit *>("mappe")->text(), QStringLiteral("/inn"));
    EXPECT_EQ(form.findChild<QLineEdit *>("brukernavn")->text(), QStringLiteral("ola"));
    EXPECT_EQ(form.findChild<QLineEdit *>("passord")->text(), QStringLiteral("pw"));
    EXPECT_EQ(form.findChild<QLineEdit *>("port")->text(), QStringLiteral("2121"));
    EXPECT_TRUE(form.findChild<QCheckBox *>("SSLL")->isChecked());
    EXPECT_EQ(hs_reg::inisection(), QStringLiteral("STANDARD"));
}

TEST_F(FtpSettingsTest, PasswordIsMaskedAndDoubleClickToggles)
{
    TServerOppsettForm form;
    form.show();
    QLineEdit *passord = form.findChild<QLineEdit *>("passord");
    ASSERT_NE(passord, nullptr);
    EXPECT_EQ(passord->echoMode(), QLineEdit::Password);
    EXPECT_EQ(passord->toolTip(), QStringLiteral("Dobbelklikk for å skjule/vise passord i klartekst"));
    QTest::mouseDClick(passord, Qt::LeftButton);
    EXPECT_EQ(passord->echoMode(), QLineEdit::Normal);
    QTest::mouseDClick(passord, Qt::LeftButton);
    EXPECT_EQ(passord->echoMode(), QLineEdit::Password);
}

TEST_F(FtpSettingsTest, OkWritesScrambledPasswordPortAsNumberAndSsl)
{
    TServerOppsettForm form;
    form.show();
    form.findChild<QLineEdit *>("server")->setText(QStringLiteral(" ftp.firma.no "));
    form.findChild<QLineEdit *>("passord")->setText(QStringLiteral("abc"));
    form.findChild<QLineEdit *>("port")->setText(QStringLiteral("0021"));
    form.findChild<QCheckBox *>("SSLL")->setChecked(true);
    QTest::mouseClick(form.findChild<QPushButton *>("OKBtn"), Qt::LeftButton);

    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(stored("server"), QStringLiteral("ftp.firma.no"));
    EXPECT_EQ(stored("password"), QStringLiteral("zbdf2"));
    EXPECT_EQ(stored("port"), QStringLiteral("21"));
    EXPECT_EQ(stored("ssl"), QStringLiteral("1"));
}

TEST_F(FtpSettingsTest, OkWithAnUnusablePortKeepsTheWindowOpenAndWritesNothing)
{
    TServerOppsettForm form;
    form.show();
    form.findChild<QLineEdit *>("port")->setText(QStringLiteral("70000"));
    QString message;
    onNextModal([&message](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w))
            message = box->text();
        QTest::keyClick(w, Qt::Key_Return);
    });
    QTest::mouseClick(form.findChild<QPushButton *>("OKBtn"), Qt::LeftButton);

    EXPECT_EQ(message, QStringLiteral("Porten må være et tall fra 1 til 65535."));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(stored("port"), QStringLiteral("<absent>"));
}

TEST_F(FtpSettingsTest, LocalFileSizeReadsReadOnlyFilesAndRefusesFolders)
{
    const QString file = work() + QStringLiteral("/ro.dat");
    ASSERT_TRUE(testenv::writeFile(file, QByteArray(1234, 'x')));
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    EXPECT_EQ(ftpunit::FilStorrelse(file), 1234);
    EXPECT_EQ(ftpunit::FilStorrelse(work() + QStringLiteral("/missing.dat")), -1);
    EXPECT_EQ(ftpunit::FilStorrelse(work()), -1);
}

struct SideNameCase {
    const char *file;
    const char *ext;
    const char *expected;
};
void PrintTo(const SideNameCase &c, std::ostream *os) { *os << c.file << ' ' << c.ext; }

class SideNameTest : public ::testing::TestWithParam<SideNameCase> {};

TEST_P(SideNameTest, StaysInTheFilesOwnFolder)
{
    const SideNameCase &c = GetParam();
    EXPECT_EQ(ftpunit::sidename(QString::fromUtf8(c.file), QString::fromUtf8(c.ext)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Names, SideNameTest,
    ::testing::Values(SideNameCase{"/home/ola/data/kunder.dat", "tmp", "/home/ola/data/kunder.tmp"},
                      SideNameCase{"/home/ola/my.data/kunder.dat", "tmp", "/home/ola/my.data/kunder.tmp"},
                      SideNameCase{"/home/ola/my.data/kunder.dat", "old", "/home/ola/my.data/kunder.old"},
                      SideNameCase{"/srv/README", "tmp", "/srv/README.tmp"},
                      SideNameCase{"/srv/arkiv.tar.gz", "old", "/srv/arkiv.old"},
                      SideNameCase{"/srv/liste.tmp", "tmp", "/srv/liste.tmp.tmp"},
                      SideNameCase{"/srv/liste.OLD", "old", "/srv/liste.OLD.old"},
                      SideNameCase{"relativ.dat", "old", "relativ.old"}),
    [](const auto &info) { return "Case" + std::to_string(info.index); });

} // namespace
