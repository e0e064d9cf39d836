#pragma once
// The suite's one-line question: a modal window with a prompt, the answer field and "O&k" /
// "&Avbryt". It offers the user's last confirmed answer, kept in the personal settings file.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class TInputForm : public QDialog {
    Q_OBJECT
public:
    explicit TInputForm(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *BitBtn1 = nullptr;  // "O&k", the default button
    QPushButton *BitBtn2 = nullptr;  // "&Avbryt", Esc

    // Centres the window on the reference rectangle and gives the field the focus.
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;
};

namespace input {

struct Values {
    QString SisteInput;        // the answer of the latest call; empty after a cancel
    bool InputErTall = true;   // SisteInput holds only digits, "," and "." (empty counts)
    bool switchFailureShown = false;  // a failed switch of settings file has been shown to the user
};
Values &values();
// Back to the values at program start (tests).
void reset();

// The key of the remembered answer in the personal settings file.
inline constexpr char16_t LastInputKey[] = u"LastInputStr";
// The prompt that turns the field into a password field; its answer is never remembered.
inline constexpr char16_t PasswordPrompt[] = u"Passord";

// Asks for one line of text. An empty starting text offers the remembered answer. Returns the
// confirmed text unchanged, or the empty text when the user cancelled.
QString HentInput(const QString &prompt, const QString &start);

// Every character is a digit, "," or "." (true for the empty text).
bool ertall(const QString &text);

// The personal settings file made current for a short read or write. False, with a "FEIL: " line in
// the log, when the store could not switch; the main settings file is then still current.
// The first failed switch of the run is also shown in a message box, so a user whose answers are
// never remembered is told why; the question itself goes on.
bool openpersonal();
// Back to the main settings file after openpersonal(). When the personal file cannot be written back,
// that is logged (and shown, as above) and the main file is opened again anyway, so the run never
// stays on the personal file (the main file was written just before, so nothing of it is lost).
void closepersonal();

} // namespace input
