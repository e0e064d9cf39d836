// "Slå &opp" beside "Org.nr.": name and addresses from the organisation register, asked at a server
// on 127.0.0.1 that answers as the register's API documents (answers written here), through the
// register module of the built program. What reaches the fields, and what every failure leaves.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "common/plugins.h"
#include "company_settings/enhetsregister.h"
#include "company_settings/enhetsregister_form.h"
#include "dialog_fixture.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "support/test_names.h"

namespace {

const QString kUnit = QStringLiteral("987654325");     // passes the check
const QString kSubUnit = QStringLiteral("812345672");  // passes the check

// How a path is answered.
struct Reply {
    enum Kind { Whole, WithoutLength, Never } kind = Whole;
    int status = 200;
    QByteArray body;
};

// A small HTTP server on 127.0.0.1: each path its reply, anything else 404; the requests are kept.
class RegisterServer : public QObject {
public:
    RegisterServer()
    {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
        server_.listen(QHostAddress::LocalHost, 0);
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1/enhetsregisteret/api").arg(server_.serverPort()); }

    QHash<QByteArray, Reply> replies;  // by path below base()
    QList<QByteArray> requests;        // "GET <path> Accept: <value>"

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
        QByteArray accept;
        for (const QByteArray &header : request.split('\n')) {
            if (header.toLower().startsWith("accept:"))
                accept = header.mid(7).trimmed();
        }
        pending_.remove(socket);
        const QByteArray path = line.value(1).mid(QByteArray("/enhetsregisteret/api").size());
        requests << line.value(0) + ' ' + path + " Accept: " + accept;
        const Reply reply = replies.value(path, Reply{Reply::Whole, 404, R"({"status":404,"error":"Not Found"})"});
        if (reply.kind == Reply::Never)
            return;  // the connection stays open, silent
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\nContent-Type: application/json\r\n";
        if (reply.kind == Reply::Whole)
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        socket->write(head + "Connection: close\r\n\r\n" + reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QTcpSocket *, QByteArray> pending_;
};

// A record as GET .../enheter/{nr} documents it.
QByteArray unitRecord(const QString &number)
{
    return QStringLiteral(R"({
  "organisasjonsnummer": "%1",
  "navn": "SÆTERBØ ÅRDAL TREVARE AS",
  "organisasjonsform": {"kode": "AS", "beskrivelse": "Aksjeselskap"},
  "hjemmeside": "www.fjordtre.example",
  "postadresse": {"land": "Norge", "landkode": "NO", "postnummer": "6801", "poststed": "FØRDE",
                  "adresse": ["Postboks 14", "Avd. Økonomi"], "kommunenummer": "4647", "kommune": "SUNNFJORD"},
  "forretningsadresse": {"land": "Norge", "landkode": "NO", "postnummer": "6800", "poststed": "FØRDE",
                         "adresse": ["Strandveien 3", ""], "kommunenummer": "4647", "kommune": "SUNNFJORD"},
  "registrertIMvaregisteret": true,
  "_links": {"self": {"href": "https://example.invalid/enheter/%1"}}
})")
        .arg(number)
        .toUtf8();
}

// A record as GET .../underenheter/{nr} documents it: where it lies, no postal address of its own.
QByteArray subUnitRecord(const QString &number)
{
    return QStringLiteral(R"({
  "organisasjonsnummer": "%1",
  "navn": "SÆTERBØ TREVARE AVD. LÆRDAL",
  "overordnetEnhet": "987654325",
  "beliggenhetsadresse": {"land": "Norge", "landkode": "NO", "postnummer": "6887", "poststed": "LÆRDAL",
                          "adresse": ["Øyragata 7"], "kommunenummer": "4642", "kommune": "LÆRDAL"}
})")
        .arg(number)
        .toUtf8();
}

class RegisterTest : public OppsettTest {
protected:
    void SetUp() override
    {
        OppsettTest::SetUp();
        enhetsregister::reset();
        address = server.base();
    }
    void TearDown() override
    {
        for (auto &t : watchers_)
            t->stop();
        QGuiApplication::restoreOverrideCursor();  // only where a failed test left it
        enhetsregister::reset();
        OppsettTest::TearDown();
    }

    // The dialog on a settings file with the company's fields and the register's address.
    TOppsettDialog &open(const QString &orgNr)
    {
        QStringList lines{QStringLiteral("Firma_Navn=Fjordtre"), QStringLiteral("Firma_PostAdresse=Postboks 14"),
                          QStringLiteral("Firma_GateAdresse=Strandveien 1"), QStringLiteral("Firma_PostNr=6800"),
                          QStringLiteral("Firma_PostSted=Førde"), QStringLiteral("HTML_HomePage=www.fjordtre.example"),
                          QStringLiteral("Firma_OrgNr=") + orgNr, QString(), QStringLiteral("[ENHETSREGISTERET]")};
        if (!address.isNull())
            lines << QStringLiteral("Adresse=") + address;
        openSettings(standard(lines));
        return dialog();
    }

    // Runs act on the next modal window of the class named, once it is up.
    void whenUp(const char *className, std::function<void(QWidget *)> act)
    {
        auto timer = std::make_unique<QTimer>();
        QTimer *t = timer.get();
        t->setInterval(5);
        QObject::connect(t, &QTimer::timeout, [t, className, act] {
            QWidget *w = QApplication::activeModalWidget();
            if (!w || !w->isVisible() || !w->inherits(className))
                return;
            t->stop();
            act(w);
        });
        t->start();
        watchers_.push_back(std::move(timer));
    }

    // Presses "Slå &opp"; the message the look-up shows, or empty when it showed none. A window of
    // what the register says is left with Escape.
    QString lookUp()
    {
        QString said;
        whenUp("QMessageBox", [&said](QWidget *w) {
            auto *box = static_cast<QMessageBox *>(w);
            said = box->windowTitle() + QStringLiteral(": ") + box->text();
            box->accept();
        });
        whenUp("TEnhetsregisterForm", [](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        dialog().OppslagBtn->click();
        for (auto &t : watchers_)
            t->stop();
        return said;
    }

    // The "&Firma" fields the register can fill, as they stand.
    QStringList fields()
    {
        TOppsettDialog &d = dialog();
        return {d.bNavn->text(), d.bPostAdr->text(), d.bGateAdr->text(), d.bPostNr->text(), d.bPostSted->text(),
                d.internett->text()};
    }

public:
    RegisterServer server;
    QString address;  // "Adresse" in [ENHETSREGISTERET]; null: no key
    QString folder() const { return dir(); }

private:
    std::vector<std::unique_ptr<QTimer>> watchers_;
};

const QStringList kLoaded{QStringLiteral("Fjordtre"), QStringLiteral("Postboks 14"), QStringLiteral("Strandveien 1"),
                          QStringLiteral("6800"),     QStringLiteral("Førde"),       QStringLiteral("www.fjordtre.example")};

} // namespace

// --- A unit, a sub-unit -----------------------------------------------------------------------------

TEST_F(RegisterTest, UnitChecksWhatDiffersAndEnterPutsItInTheFieldsAsTypedWithNothingSaved)
{
    server.replies.insert("/enheter/" + kUnit.toLatin1(), {Reply::Whole, 200, unitRecord(kUnit)});
    TOppsettDialog &d = open(QStringLiteral("NO 987 654 325 MVA"));
    const QByteArray before = testenv::readFile(ini());
    QStringList checked, shown;
    whenUp("TEnhetsregisterForm", [&](QWidget *w) {
        auto *form = static_cast<TEnhetsregisterForm *>(w);
        for (int i = 0; i < form->Opplysninger->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = form->Opplysninger->topLevelItem(i);
            shown << item->text(0) + QStringLiteral(": ") + item->text(1);
            if (item->checkState(0) == Qt::Checked)
                checked << item->text(0);
        }
        QTest::keyClick(form->Opplysninger, Qt::Key_Return);
    });
    d.OppslagBtn->click();

    EXPECT_EQ(shown, (QStringList{QStringLiteral("Firmanavn: SÆTERBØ ÅRDAL TREVARE AS"),
                                  QStringLiteral("Postadresse: Postboks 14, Avd. Økonomi"),
                                  QStringLiteral("Gateadresse: Strandveien 3"), QStringLiteral("Poststed: 6801 FØRDE"),
                                  QStringLiteral("Internett: www.fjordtre.example")}));
    EXPECT_EQ(checked, (QStringList{QStringLiteral("Firmanavn"), QStringLiteral("Postadresse"),
                                    QStringLiteral("Gateadresse"), QStringLiteral("Poststed")}));
    EXPECT_EQ(fields(), (QStringList{QStringLiteral("SÆTERBØ ÅRDAL TREVARE AS"), QStringLiteral("Postboks 14, Avd. Økonomi"),
                                     QStringLiteral("Strandveien 3"), QStringLiteral("6801"), QStringLiteral("FØRDE"),
                                     QStringLiteral("www.fjordtre.example")}));
    // One request, as the API asks to be asked; no sub-unit asked for a unit.
    EXPECT_EQ(server.requests, QList<QByteArray>{"GET /enheter/987654325 Accept: application/json"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Nothing saved until "Bruk"; then every character reaches the file.
    EXPECT_EQ(testenv::readFile(ini()), before);
    d.BitBtn1Click();
    EXPECT_EQ(storedValue(QStringLiteral("Firma_Navn")), QStringLiteral("SÆTERBØ ÅRDAL TREVARE AS"));
    EXPECT_EQ(storedValue(QStringLiteral("Firma_PostAdresse")), QStringLiteral("Postboks 14, Avd. Økonomi"));
    // Typed into the field: its own undo takes it back.
    d.bNavn->undo();
    EXPECT_EQ(d.bNavn->text(), QStringLiteral("Fjordtre"));
}

TEST_F(RegisterTest, SubUnitIsAskedAfterTheUnitAndGivesWhereItLiesForBothAddresses)
{
    server.replies.insert("/underenheter/" + kSubUnit.toLatin1(), {Reply::Whole, 200, subUnitRecord(kSubUnit)});
    open(kSubUnit);
    QString heading;
    whenUp("TEnhetsregisterForm", [&](QWidget *w) {
        auto *form = static_cast<TEnhetsregisterForm *>(w);
        heading = form->Overskrift->text();
        form->BrukBtn->click();
    });
    dialog().OppslagBtn->click();
    EXPECT_EQ(heading, QStringLiteral("SÆTERBØ TREVARE AVD. LÆRDAL\nOrganisasjonsnummer 812 345 672 (underenhet)"));
    EXPECT_EQ(server.requests.size(), 2);
    // No home page in the record: the field keeps its own.
    EXPECT_EQ(fields(), (QStringList{QStringLiteral("SÆTERBØ TREVARE AVD. LÆRDAL"), QStringLiteral("Øyragata 7"),
                                     QStringLiteral("Øyragata 7"), QStringLiteral("6887"), QStringLiteral("LÆRDAL"),
                                     QStringLiteral("www.fjordtre.example")}));
}

TEST_F(RegisterTest, UncheckedRowKeepsItsFieldAndEscapeKeepsThemAll)
{
    server.replies.insert("/enheter/" + kUnit.toLatin1(), {Reply::Whole, 200, unitRecord(kUnit)});
    open(kUnit);
    whenUp("TEnhetsregisterForm", [](QWidget *w) {
        auto *form = static_cast<TEnhetsregisterForm *>(w);
        form->Opplysninger->topLevelItem(0)->setCheckState(0, Qt::Unchecked);  // "Firmanavn"
        QTest::keyClick(form->Opplysninger, Qt::Key_Return);
    });
    dialog().OppslagBtn->click();
    EXPECT_EQ(dialog().bNavn->text(), QStringLiteral("Fjordtre"));
    EXPECT_EQ(dialog().bGateAdr->text(), QStringLiteral("Strandveien 3"));

    dialog().BitBtn3Click();  // "Hent": back to the file
    whenUp("TEnhetsregisterForm", [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    dialog().OppslagBtn->click();
    EXPECT_EQ(fields(), kLoaded);
}

// --- Failures: a message, and nothing changed ------------------------------------------------------------

namespace {

struct FailureRow {
    const char *name;
    std::function<void(RegisterTest &)> arrange;  // replies, address, module folder, time-out
    const char *said;                             // in the message
};
void PrintTo(const FailureRow &row, std::ostream *os) { *os << row.name; }

class RegisterFailure : public RegisterTest, public ::testing::WithParamInterface<FailureRow> {};

void answer(RegisterTest &t, int status, const QByteArray &body, Reply::Kind kind = Reply::Whole)
{
    t.server.replies.insert("/enheter/" + kUnit.toLatin1(), {kind, status, body});
}

QByteArray oversized()
{
    QByteArray record = unitRecord(kUnit);
    record.insert(record.indexOf("\"navn\""), "\"vedlegg\": \"" + QByteArray(enhetsregister::kMostBytes, 'x') + "\",\n");
    return record;
}

} // namespace

TEST_P(RegisterFailure, IsToldInNorwegianAndChangesNothing)
{
    GetParam().arrange(*this);
    open(kUnit);
    const QString said = lookUp();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Enhetsregisteret: "))) << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromUtf8(GetParam().said))) << said.toStdString();
    EXPECT_TRUE(said.endsWith(QStringLiteral("Feltene er ikke endret."))) << said.toStdString();
    EXPECT_EQ(fields(), kLoaded);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RegisterFailure,
    ::testing::Values(
        FailureRow{"UnknownNumber", [](RegisterTest &) {}, "Organisasjonsnummer 987 654 325 finnes ikke i Enhetsregisteret."},
        FailureRow{"Removed", [](RegisterTest &t) { answer(t, 410, R"({"slettedato":"2024-01-04"})"); }, "er slettet fra"},
        FailureRow{"ServerFault", [](RegisterTest &t) { answer(t, 500, "{}"); }, "(HTTP-status 500)"},
        FailureRow{"NotJson", [](RegisterTest &t) { answer(t, 200, "<html>Vedlikehold</html>"); },
                   "ikke slik registeret beskriver det (svaret er ikke gyldig JSON)"},
        FailureRow{"NameNoText", [](RegisterTest &t) { answer(t, 200, R"({"organisasjonsnummer":"987654325","navn":7})"); },
                   "(«navn» er ikke en tekst)"},
        FailureRow{"NameWithALineBreak",
                   [](RegisterTest &t) {
                       answer(t, 200, R"({"organisasjonsnummer":"987654325","navn":"FJORDTRE\r\n[STANDARD]\r\nFirma_OrgNr=1"})");
                   },
                   "(en tekst har linjeskift eller andre styretegn)"},
        FailureRow{"NameLongerThanAFieldTakes",
                   [](RegisterTest &t) {
                       answer(t, 200, R"({"organisasjonsnummer":"987654325","navn":")" + QByteArray(40000, 'A') + "\"}");
                   },
                   "(en tekst er lengre enn et felt kan ta)"},
        FailureRow{"AnotherUnitsRecord", [](RegisterTest &t) { answer(t, 200, unitRecord(QStringLiteral("123456785"))); },
                   "(svaret gjelder organisasjonsnummer 123456785)"},
        FailureRow{"OversizedAnnounced", [](RegisterTest &t) { answer(t, 200, oversized()); }, "større enn 1 MB"},
        FailureRow{"OversizedUnannounced", [](RegisterTest &t) { answer(t, 200, oversized(), Reply::WithoutLength); },
                   "større enn 1 MB"},
        FailureRow{"NeverAnswers",
                   [](RegisterTest &t) {
                       answer(t, 200, {}, Reply::Never);
                       enhetsregister::values().timeoutMs = 1000;
                   },
                   "svarte ikke innen 1 sekunder"},
        FailureRow{"NoServer",
                   [](RegisterTest &t) {
                       QTcpServer closed;  // a port nobody listens on once this is gone
                       closed.listen(QHostAddress::LocalHost, 0);
                       t.address = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
                   },
                   "Får ikke kontakt med Enhetsregisteret (127.0.0.1)"},
        FailureRow{"AddressNotHttp",
                   [](RegisterTest &t) { t.address = QStringLiteral("ftp://127.0.0.1/api"); },
                   "er ikke en http- eller https-adresse: ftp://127.0.0.1/api"},
        FailureRow{"ModuleMissing",
                   [](RegisterTest &t) { plugins::setFolder(t.folder() + QStringLiteral("/ingen")); },
                   "Oppslaget i Enhetsregisteret kan ikke gjøres: tilleggsmodulen"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RegisterTest, AvbrytWhileWaitingStopsAtOnceUnderTheBusyPointerAndChangesNothing)
{
    server.replies.insert("/enheter/" + kUnit.toLatin1(), {Reply::Never, 200, {}});
    open(kUnit);
    bool busy = false;
    whenUp("QDialog", [&busy](QWidget *w) {
        busy = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        w->findChild<QPushButton *>(QStringLiteral("StoppBtn"))->click();
    });
    // Stopped, not timed out: no message (which would come only after the full ten seconds).
    EXPECT_EQ(lookUp(), QString());
    EXPECT_TRUE(busy);
    EXPECT_EQ(fields(), kLoaded);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(textfil::values().LogLines.toStringList().filter(QStringLiteral("Enhetsregisteret")).isEmpty());
}

// --- The button and the address -------------------------------------------------------------------------

namespace {

struct ButtonRow {
    const char *typed;
    bool enabled;
};
std::ostream &operator<<(std::ostream &os, const ButtonRow &r) { return os << r.typed; }

class RegisterButton : public RegisterTest, public ::testing::WithParamInterface<ButtonRow> {};

} // namespace

TEST_P(RegisterButton, IsEnabledForANumberThatPassesTheCheck)
{
    TOppsettDialog &d = open(kUnit);
    EXPECT_TRUE(d.OppslagBtn->isEnabled());
    EXPECT_EQ(d.OppslagBtn->toolTip(), QStringLiteral("Hent navn og adresse fra Enhetsregisteret"));
    d.bOrgnr->clear();
    QTest::keyClicks(d.bOrgnr, QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(d.OppslagBtn->isEnabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(Typed, RegisterButton,
                         ::testing::Values(ButtonRow{"", false}, ButtonRow{"   ", false},
                                           ButtonRow{"987654325", true}, ButtonRow{"NO 987 654 325 MVA", true},
                                           ButtonRow{"987654321", false}, ButtonRow{"98765432", false}),
                         testnames::printed());

TEST_F(RegisterTest, PublicAddressUnlessTheSettingsGiveOne)
{
    address = QString();
    open(kUnit);
    EXPECT_EQ(enhetsregister::recordAddress(enhetsregister::baseAddress(nullptr), kUnit, false),
              QUrl(QStringLiteral("https://data.brreg.no/enhetsregisteret/api/enheter/987654325")));
    // A mirror's address with a slash at its end.
    hs_reg::settingsfile()->setValue(QStringLiteral("ENHETSREGISTERET"), QStringLiteral("Adresse"),
                                     QStringLiteral("http://speil.example:8080/er/"));
    EXPECT_EQ(enhetsregister::recordAddress(enhetsregister::baseAddress(nullptr), kUnit, true),
              QUrl(QStringLiteral("http://speil.example:8080/er/underenheter/987654325")));
}
