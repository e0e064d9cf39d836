#pragma once
// The server settings window: name, host, folder, user name, password, port and SSL of one server
// entry, kept in the section "SERVER-SETTING-" + the server kind of the open settings document.
#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TServerOppsettForm : public QDialog {
    Q_OBJECT
public:
    explicit TServerOppsettForm(QWidget *parent = nullptr);

    // "FTP" selects the section "SERVER-SETTING-FTP".
    void setServerKind(const QString &kind);
    QString serverKind() const { return kind_; }
    QString section() const;

    QLineEdit *navn = nullptr;
    QLineEdit *server = nullptr;
    QLineEdit *mappe = nullptr;
    QLineEdit *brukernavn = nullptr;
    QLineEdit *passord = nullptr;
    QLineEdit *port = nullptr;
    QCheckBox *SSLL = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    // Loads the fields from the section.
    void FormShow();
    // Writes the fields to the section (password scrambled) and closes; stays open on a bad port.
    void OKBtnClick();
    void passordDblClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString kind_ = QStringLiteral("FTP");
};

namespace serveroppsett {

// Shows the server settings window modally with caption and server kind; returns when it closes.
void VisServerOppsett(const QString &caption, const QString &kind);

} // namespace serveroppsett
