#pragma once
// The transfer unit: the FTP server settings of the run, and the transfer window TFTPform that
// uploads or downloads one file with progress. Outcome of a transfer: FTPFeilNr and the log.
#include <QString>
#include <QWidget>
#include <memory>

#include "transfer/ftp_client.h"

class QLabel;
class QProgressBar;
class QStatusBar;

namespace ftpunit {

// Stands for the maker's own server until the settings name one (a reserved example domain).
inline const QString kDefaultHost = QStringLiteral("ftp.example.com");
inline const QString kDefaultUser = QStringLiteral("anonymous");
inline const QString kDefaultPassword = QStringLiteral("gjestekod");
inline const QString kSection = QStringLiteral("SERVER-SETTING-FTP");

struct Values {
    QString FTPServer = kDefaultHost;
    QString FTPMappe;                      // remote folder before the file name; nothing loads it
    QString FTPBruker = kDefaultUser;
    QString FTPPassord = kDefaultPassword; // plain in memory, scrambled in the file
    qint32 FTPPort = 21;
    bool FTPSSL = false;                   // key "ssl": require explicit TLS for control and data
    qint32 FTPFeilNr = 0;                  // outcome of the latest transfer
};
Values &values();
// Back to the values at program start (tests).
void reset();
// The end of the run: the four texts are cleared.
void finish();

// Section "SERVER-SETTING-FTP" into the settings above, even empty values; back to "STANDARD" after.
void LesFTPOppsett();
// The six defaults into the section.
void SkrivStandardFTPOppsett();
// The load before every transfer: read, first-time set-up when no server is stored, fallbacks.
void HentFTPOppsett();

// Size of the local file opened for reading, or -1 when it cannot be opened. 64-bit.
qint64 FilStorrelse(const QString &Filnavn);

// The temporary ("tmp") and old ("old") names of a download: the extension of the file-name part
// is replaced, so the files stay in the file's own folder.
QString sidename(const QString &Filnavn, const QString &ext);

} // namespace ftpunit

// The transfer window: file name, progress bar, byte count and connection state. Created once,
// hidden; SendFil and HentFil show it for the time of one session, during which it alone takes the
// user's input: Escape or its close box stops the transfer.
class TFTPform : public QWidget {
    Q_OBJECT
public:
    explicit TFTPform(QWidget *parent = nullptr);
    ~TFTPform() override;

    // The window of the run (the last one created), or null.
    static TFTPform *instance();

    void SendFil(const QString &Filnavn);
    void HentFil(const QString &Filnavn);

    QLabel *ftpfil = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *Panels[2] = {nullptr, nullptr};  // byte count, connection state
    ftp_client IdFTP1;

    QString panelText(int i) const;
    // The bar in bytes; the widget's own range is scaled down when the size passes its int range.
    void setProgressMax(qint64 bytes);
    void setProgressPosition(qint64 bytes);
    qint64 progressMax() const { return progressMax_; }

    void FormShow();
    void IdFTP1Connected();
    void IdFTP1Disconnected();
    void IdFTP1Work(ftp_client::WorkMode AWorkMode, qint64 AWorkCount);
    void IdFTP1WorkBegin(ftp_client::WorkMode AWorkMode, qint64 AWorkCountMax);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    class Session;
    void setFileLabel(const QString &Filnavn);
    void applyClientSettings();
    bool refuseWhileBusy(const QString &Filnavn, qint32 nr, const QString &what);
    // Escape or the close box while a transfer runs: the transfer ends as a failure.
    void requestStop();
    void logFailure();
    bool inSession_ = false;
    bool stopRequested_ = false;
    qint64 progressMax_ = 100;
    int progressShift_ = 0;
};
