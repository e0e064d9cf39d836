#pragma once
// The suite's Yes/No question: a modal window with the question and the answers "&Ja" and "&Nei".
#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

class TJaNeiForm : public QDialog {
    Q_OBJECT
public:
    explicit TJaNeiForm(QWidget *parent = nullptr);

    QWidget *Panel1 = nullptr;        // empty spacer above the question
    QLabel *Label1 = nullptr;         // the question, centred
    QPushButton *JaKnapp = nullptr;   // "&Ja", the default button
    QPushButton *NeiKnapp = nullptr;  // "&Nei", Esc

    // On entry the answer offered first, on exit the answer given.
    bool InnBo = true;

    // Focus on the offered answer, then the window centred on the reference rectangle.
    void FormShow();
    void JaKnappClick();
    void NeiKnappClick();

    // The client width the question needs: measured width + 50 less the frame, never below 464.
    void fitQuestion();

protected:
    QMargins frameMargins();
    void layoutParts();
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

namespace JaNei {

// Asks question in a fresh modal window offering initial first. True for "&Ja", false for "&Nei";
// a window closed without an answer gives initial.
bool JaNeiSvar(const QString &question, bool initial);

} // namespace JaNei
