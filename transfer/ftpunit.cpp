#include "transfer/ftpunit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStatusBar>
#include <QThread>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <optional>

#include "common/felles.h"
#include "common/qtstring.h"
#include "common/ui_hooks.h"
#include "log/textfil.h"
#include "platform/files.h"

namespace ftpunit {

qint64 FilStorrelse(const QString &Filnavn)
{
    // Opened for reading only, so that a read-only file can still be sent.
    if (!QFileInfo(Filnavn).isFile())
        return -1;
    QFile file(Filnavn);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.size();
}

QString sidename(const QString &Filnavn, const QString &ext)
{
    const QString name = QFileInfo(Filnavn).fileName();
    const QString folder = Filnavn.left(Filnavn.size() - name.size());
    QString side = Felles::changeextension(name, ext);
    // "data.tmp" would be its own temporary file and "data.old" its own old file.
    if (side.compare(name, Qt::CaseInsensitive) == 0)
        side = name + QLatin1Char('.') + ext;
    return folder + side;
}

} // namespace ftpunit

namespace {

TFTPform *g_instance = nullptr;

// The one line after a failure that says why; verbose logging adds the library's own words.
void logReason(const QString &why, const QString &detail = QString())
{
    QString line = QStringLiteral("FTP: Årsak: ") + (why.isEmpty() ? QStringLiteral("ukjent feil") : why);
    if (textfil::values().VerboseLog && !detail.isEmpty() && detail != why)
        line += QStringLiteral(" (") + detail + QLatin1Char(')');
    textfil::WriteLog(line);
}

// Window-system events other than user input (mapping, exposure), so that a window appears.
void letWindowSystemIn()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Why a local file cannot be sent.
QString unreadableReason(const QString &Filnavn)
{
    const QFileInfo info(Filnavn);
    if (!info.exists())
        return QStringLiteral("filen finnes ikke");
    if (info.isDir())
        return QStringLiteral("det er en mappe, ikke en fil");
    QFile file(Filnavn);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("filen kan ikke åpnes for lesing: ") + file.errorString();
    return QStringLiteral("filen kan ikke leses");
}

QString systemText(int error)
{
    return QString::fromStdU16String(platform::files::errorText(error));
}

// The fetched file in place of the local one, which is kept under the old name: each step on its
// own, none replacing a file, only what succeeded logged. False, with the reason logged, when the
// new file is not in place.
bool putInPlace(const QString &Filnavn, const QString &tmpName, const QString &oldName)
{
    using textfil::WriteLog;
    int deleteError = 0, moveError = 0, placeError = 0;
    if (platform::files::removeFile(us(oldName), &deleteError))
        WriteLog(QStringLiteral("FTP: slettet midlertidig fil: ") + oldName);
    const bool moved = platform::files::renameNoReplace(us(Filnavn), us(oldName), &moveError);
    if (moved)
        WriteLog(QStringLiteral("FTP: endret navn på ") + Filnavn + QStringLiteral(" til ") + oldName);
    if (platform::files::renameNoReplace(us(tmpName), us(Filnavn), &placeError)) {
        WriteLog(QStringLiteral("FTP: endret navn på ") + tmpName + QStringLiteral(" til ") + Filnavn);
        return true;
    }
    // The name is never left empty: the previous file goes back.
    if (moved && platform::files::renameNoReplace(us(oldName), us(Filnavn)))
        WriteLog(QStringLiteral("FTP: endret navn på ") + oldName + QStringLiteral(" til ") + Filnavn);
    QString why;
    if (!moved && QFileInfo::exists(Filnavn) && QFileInfo::exists(oldName))
        why = QStringLiteral("den gamle filen %1 kan ikke slettes: %2").arg(oldName, systemText(deleteError));
    else if (!moved && QFileInfo::exists(Filnavn))
        why = QStringLiteral("kan ikke endre navn på %1 til %2: %3").arg(Filnavn, oldName, systemText(moveError));
    else
        why = QStringLiteral("kan ikke endre navn på %1 til %2: %3").arg(tmpName, Filnavn, systemText(placeError));
    WriteLog(QStringLiteral("FTP: Feil nr. 504, den nye filen ligger som ") + tmpName + QStringLiteral(" fordi ")
             + Filnavn + QStringLiteral(" ikke kunne erstattes"));
    logReason(why);
    return false;
}

// The outcome of one session, given to FTPFeilNr when the session ends: a transfer refused in the
// meantime has set its own number, which must not stand for this one.
struct Outcome {
    qint32 nr = 0;
    Outcome() = default;
    Outcome(const Outcome &) = delete;
    Outcome &operator=(const Outcome &) = delete;
    ~Outcome() { ftpunit::values().FTPFeilNr = nr; }
};

} // namespace

TFTPform::TFTPform(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FTPform"));
    setWindowTitle(QStringLiteral("FTPform"));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);  // as the other windows ask, so the font cache serves all of them
    f.setPixelSize(11);
    setFont(f);
    resize(209, 64);

    ftpfil = new QLabel(QStringLiteral("filnavn.ending"), this);
    ftpfil->setObjectName(QStringLiteral("ftpfil"));
    ftpfil->setGeometry(8, 8, 201, 13);
    ftpfil->setAlignment(Qt::AlignCenter);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 32, 201, 16);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    Panels[0] = new QLabel(QStringLiteral("0"), StatusBar1);
    Panels[0]->setObjectName(QStringLiteral("Panel0"));
    Panels[0]->setFixedWidth(60);
    Panels[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Panels[1] = new QLabel(QStringLiteral("Klar"), StatusBar1);
    Panels[1]->setObjectName(QStringLiteral("Panel1"));
    Panels[1]->setMinimumWidth(50);
    StatusBar1->addWidget(Panels[0]);
    StatusBar1->addWidget(Panels[1], 1);  // the last panel reaches the right edge
    StatusBar1->setGeometry(0, height() - 19, width(), 19);

    IdFTP1.onConnected = [this] { IdFTP1Connected(); };
    IdFTP1.onDisconnected = [this] { IdFTP1Disconnected(); };
    IdFTP1.onWorkBegin = [this](ftp_client::WorkMode mode, qint64 max) { IdFTP1WorkBegin(mode, max); };
    IdFTP1.onWork = [this](ftp_client::WorkMode mode, qint64 count) { IdFTP1Work(mode, count); };
    // The transfer runs on the only thread: its waits keep the windows alive and let the user stop.
    IdFTP1.onWait = [this] {
        if (inSession_)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    };

    g_instance = this;
}

TFTPform::~TFTPform()
{
    IdFTP1.onConnected = nullptr;
    IdFTP1.onDisconnected = nullptr;
    IdFTP1.onWorkBegin = nullptr;
    IdFTP1.onWork = nullptr;
    IdFTP1.onWait = nullptr;
    if (g_instance == this)
        g_instance = nullptr;
}

TFTPform *TFTPform::instance()
{
    return g_instance;
}

QString TFTPform::panelText(int i) const
{
    return Panels[i]->text();
}

void TFTPform::setProgressMax(qint64 bytes)
{
    progressMax_ = qMax<qint64>(bytes, 0);
    // The widget counts in int: beyond 2 GiB it counts in units of 2^shift bytes.
    progressShift_ = 0;
    while ((progressMax_ >> progressShift_) > INT_MAX)
        ++progressShift_;
    const int max = int(progressMax_ >> progressShift_);
    // A range of 0..0 would turn the bar into a busy indicator.
    ProgressBar1->setRange(0, max > 0 ? max : 1);
}

void TFTPform::setProgressPosition(qint64 bytes)
{
    const qint64 scaled = std::clamp<qint64>(bytes >> progressShift_, 0, ProgressBar1->maximum());
    ProgressBar1->setValue(int(scaled));
}

void TFTPform::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFTPform::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    StatusBar1->setGeometry(0, height() - 19, width(), 19);
}

void TFTPform::FormShow()
{
    setWindowTitle(ftpunit::values().FTPServer);
    ftpfil->setText(QString(QLatin1String("")));
    ftpfil->repaint();
}

void TFTPform::IdFTP1Connected()
{
    Panels[1]->setText(QStringLiteral("Tilkoblet"));
    StatusBar1->repaint();
}

void TFTPform::IdFTP1Disconnected()
{
    Panels[1]->setText(QStringLiteral("Frakoblet"));
    StatusBar1->repaint();
}

void TFTPform::IdFTP1Work(ftp_client::WorkMode, qint64 AWorkCount)
{
    setProgressPosition(AWorkCount);
    ProgressBar1->repaint();
    Panels[0]->setText(QString::number(AWorkCount));
    StatusBar1->repaint();
}

void TFTPform::IdFTP1WorkBegin(ftp_client::WorkMode AWorkMode, qint64)
{
    Panels[1]->setText(AWorkMode == ftp_client::WorkMode::Read ? QStringLiteral("Laster ned data")
                                                               : QStringLiteral("Laster opp data"));
    StatusBar1->repaint();
}

// For the time of one session: the transfer window is on the screen before anything else and takes
// the user's input alone; its close box and Escape stop the transfer.
class TFTPform::Session {
public:
    explicit Session(TFTPform *form) : form_(form)
    {
        form_->inSession_ = true;
        form_->stopRequested_ = false;
        qApp->installEventFilter(form_);
        form_->show();
        form_->activateWindow();  // Escape reaches it
        // The window system maps a new window asynchronously; wait a moment for it, so the window
        // is there to be repainted.
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            letWindowSystemIn();
            const QWindow *w = form_->windowHandle();
            if (!w || w->isExposed() || waited.elapsed() >= 500)
                break;
            QThread::msleep(5);
        }
    }
    ~Session()
    {
        form_->IdFTP1.disconnect();  // nothing left to close on the usual ways out; clears a stop
        qApp->removeEventFilter(form_);
        form_->inSession_ = false;
        form_->close();
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

private:
    TFTPform *form_;
};

bool TFTPform::eventFilter(QObject *watched, QEvent *event)
{
    if (!inSession_ || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    const QWidget *top = static_cast<QWidget *>(watched)->window();
    // A dialog that is open now (the server settings the session asks for) is the user's to use.
    if (top == QApplication::activeModalWidget())
        return QWidget::eventFilter(watched, event);
    const bool ours = top == this;
    if (event->type() == QEvent::Close && event->spontaneous()) {
        // The window system's close of another window waits: closing the main window mid-transfer
        // would start its own questions inside the transfer. Ours stops the transfer, which then
        // closes the window.
        if (ours)
            requestStop();
        event->ignore();
        return true;
    }
    if (ours && event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        requestStop();
        return true;
    }
    // The program's other windows take no input until the transfer has ended.
    if (!ours && isUserInput(event->type()))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TFTPform::requestStop()
{
    if (!inSession_)
        return;
    stopRequested_ = true;
    IdFTP1.abort();  // again on a second press: that also ends the goodbye to a server gone quiet
    Panels[1]->setText(QStringLiteral("Avbryter"));
    StatusBar1->repaint();
}

void TFTPform::logFailure()
{
    if (stopRequested_)
        logReason(QStringLiteral("avbrutt av brukeren"));
    else
        logReason(IdFTP1.lastError(), IdFTP1.lastDetail());
}

bool TFTPform::refuseWhileBusy(const QString &Filnavn, qint32 nr, const QString &what)
{
    if (!inSession_)
        return false;
    // Asked for from an event handled during a transfer: the client serves one session at a time.
    textfil::WriteLog(QStringLiteral("FTP: Feil nr. %1, %2 av %3 ble ikke startet").arg(nr).arg(what, Filnavn));
    logReason(QStringLiteral("en annen overføring pågår; bare én om gangen"));
    ftpunit::values().FTPFeilNr = nr;
    return true;
}

void TFTPform::setFileLabel(const QString &Filnavn)
{
    ftpfil->setText(QFileInfo(Filnavn).fileName());
    ftpfil->repaint();
}

void TFTPform::applyClientSettings()
{
    const ftpunit::Values &v = ftpunit::values();
    IdFTP1.Host = v.FTPServer;
    IdFTP1.Username = v.FTPBruker;
    IdFTP1.Password = v.FTPPassord;
    IdFTP1.Port = v.FTPPort;
    IdFTP1.RequireTls = v.FTPSSL;
}

void TFTPform::SendFil(const QString &Filnavn)
{
    using textfil::WriteLog;
    if (refuseWhileBusy(Filnavn, 502, QStringLiteral("opplasting")))
        return;
    ftpunit::Values &v = ftpunit::values();
    v.FTPFeilNr = 0;
    Outcome outcome;
    Session session(this);  // shows the window now, closes it on every way out
    setFileLabel(Filnavn);
    const QString name = ftpfil->text();
    WriteLog(QStringLiteral("FTP: Starter ny sesjon for opplasting av ") + Filnavn);
    setProgressPosition(0);
    const qint64 size = ftpunit::FilStorrelse(Filnavn);
    if (size < 0) {
        WriteLog(QStringLiteral("FTP: Kan ikke finne filstørrelse, avbryter."));
        logReason(unreadableReason(Filnavn));
        return;
    }
    setProgressMax(size);
    ftpunit::HentFTPOppsett();
    ui_hooks::BusyPointer busy;
    applyClientSettings();
    WriteLog(QStringLiteral("FTP: Kobler til ") + IdFTP1.Host + QStringLiteral(" som bruker ") + IdFTP1.Username);
    if (!IdFTP1.connect()) {
        WriteLog(QStringLiteral("FTP: Feil nr. 502, kunne ikke koble til"));
        logFailure();
        outcome.nr = 502;
    }
    if (IdFTP1.connected()) {
        // An empty folder stays empty: the file goes to the log-in folder, where a download of the
        // same name looks for it.
        if (!v.FTPMappe.isEmpty() && !v.FTPMappe.endsWith(QLatin1Char('/')))
            v.FTPMappe += QLatin1Char('/');
        if (!IdFTP1.put(Filnavn, v.FTPMappe + name)) {
            WriteLog(QStringLiteral("FTP: Feil nr. 503, kan ikke laste opp filen ") + Filnavn);
            logFailure();
            outcome.nr = 503;
        } else if (!IdFTP1.note().isEmpty()) {
            logReason(IdFTP1.note());  // sent, but straight over the old file
        }
        IdFTP1.disconnect();
        WriteLog(QStringLiteral("FTP: Kobler fra."));
    }
}

void TFTPform::HentFil(const QString &Filnavn)
{
    using textfil::WriteLog;
    if (refuseWhileBusy(Filnavn, 501, QStringLiteral("nedlasting")))
        return;
    ftpunit::Values &v = ftpunit::values();
    v.FTPFeilNr = 0;
    Outcome outcome;
    std::optional<Session> session(std::in_place, this);
    setFileLabel(Filnavn);
    const QString name = ftpfil->text();
    const QString folder = Filnavn.left(Filnavn.size() - name.size());
    WriteLog(QStringLiteral("FTP: Starter ny sesjon for nedlasting av ") + name + QStringLiteral(" til ") + folder);
    setProgressPosition(0);
    const QString remote = v.FTPMappe + name;
    const QString tmpName = ftpunit::sidename(Filnavn, QStringLiteral("tmp"));
    const QString oldName = ftpunit::sidename(Filnavn, QStringLiteral("old"));
    ftpunit::HentFTPOppsett();
    ui_hooks::BusyPointer busy;
    applyClientSettings();
    const QString host = IdFTP1.Host;
    const QString user = IdFTP1.Username;
    WriteLog(QStringLiteral("FTP: Kobler til ") + host + QStringLiteral(" som bruker ") + user);
    repaint();
    letWindowSystemIn();

    bool failed = false;
    if (!IdFTP1.connect()) {
        failed = true;
    } else {
        qint64 size = -1;
        if (!IdFTP1.size(remote, size)) {
            failed = true;
        } else if (size < 0) {
            WriteLog(QStringLiteral("FTP: finner ikke filen ") + remote + QStringLiteral(", avbryter forbindelse"));
            IdFTP1.disconnect();
            WriteLog(QStringLiteral("FTP: ") + host + QStringLiteral(" frakoblet"));
            return;  // the window closes here too
        } else {
            setProgressMax(size);
            WriteLog(QStringLiteral("FTP: filstørrelse ") + QString::number(size));
        }
    }
    if (failed) {
        WriteLog(QStringLiteral("FTP: Feil nr. 501, kunne ikke koble til ") + host + QStringLiteral(" med brukernavn ")
                 + user);
        logFailure();
        outcome.nr = 501;
    }
    if (IdFTP1.connected()) {
        WriteLog(QStringLiteral("FTP: Tilkoblet, henter filen ") + remote);
        if (!IdFTP1.get(remote, tmpName)) {
            WriteLog(QStringLiteral("FTP: Feil nr. 500, kan ikke laste ned filen ") + Filnavn
                     + QStringLiteral(". Sjekk at filen ikke er i bruk."));
            logFailure();
            outcome.nr = 500;
        }
        IdFTP1.disconnect();
        WriteLog(QStringLiteral("FTP: Kobler fra."));
    }
    session.reset();  // closes the window

    // The fetched file itself: a size found by pattern ("?" and "*" are legal in names here)
    // could be another file's, and an empty download would then replace the local file.
    const QFileInfo fetched(tmpName);
    if (outcome.nr == 0 && fetched.isFile() && fetched.size() > 0 && !putInPlace(Filnavn, tmpName, oldName))
        outcome.nr = 504;
}
