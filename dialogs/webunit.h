#pragma once
// The suite's plain browser window: an embedded web view that fills the window and opens the address
// of the command line, or else the user's home page, asking for one when none is stored.
#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class TWebReaderForm : public QWidget {
    Q_OBJECT
public:
    // parameters: the command line, item 0 being the program's path.
    explicit TWebReaderForm(const QStringList &parameters = QCoreApplication::arguments(),
                            QWidget *parent = nullptr);

    // The browser control, made by the browser module (browser_plugin.h) when the window is first
    // shown, so that a window that is never shown never loads the web engine. Stays null when the
    // module cannot be loaded (the window then says so). Reached through its properties and signals
    // ("url", "title", loadStarted, loadFinished).
    QWidget *WebBrowser1 = nullptr;

    const QStringList &parameters() const { return parameters_; }
    // The text last given to the browser control to navigate to, exactly as it was given.
    const QString &navigatedAddress() const { return navigatedAddress_; }

    // The address of the control's current location ("" before the control exists).
    QString location() const;

    void FormCreate();
    void FormShow();
    void FormClose();

public slots:
    void WebBrowser1DownloadBegin();
    void WebBrowser1DownloadComplete();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createBrowser();
    void navigate(const QString &address);

    QStringList parameters_;
    QString navigatedAddress_;
    bool browserFailed_ = false;
};

namespace webunit {

inline constexpr char16_t Caption[] = u"Veltrona nettleser";
// The address opened when neither the command line nor the user gives one: an empty page of our own,
// which needs no network.
inline constexpr char16_t DefaultAddress[] = u"about:blank";
inline constexpr char16_t HomePageKey[] = u"NettleserHjemmeside";
inline constexpr char16_t HomePagePrompt[] = u"Åpne nettside";
// The longest home page used, in UTF-16 code units.
inline constexpr qsizetype HomePageLimit = 255;

// What the browser engine needs before the application object is made; the engine itself is not
// loaded. Called by the run order before QApplication.
void prepareBeforeApplication();

struct Values {
    // The program's reader window: set when start-up creates it, cleared when the window closes.
    QPointer<TWebReaderForm> WebReaderForm;
};
Values &values();

// At most the first `HomePageLimit` code units of text, never ending in half a surrogate pair.
QString cutHomePage(const QString &text);

// Start-up's reader window for the length of a scope: created hidden and made the program's
// reference; released at the end of the scope unless closing has released it already.
class ProgramWindow {
public:
    explicit ProgramWindow(const QStringList &parameters = QCoreApplication::arguments());
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow &) = delete;
    ProgramWindow &operator=(const ProgramWindow &) = delete;
    TWebReaderForm *window() const { return window_; }

private:
    QPointer<TWebReaderForm> window_;
};

} // namespace webunit
