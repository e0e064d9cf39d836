#pragma once
// A time field with the suite's edit mask "!90:00;1;_": two hour positions (the first optional),
// the colon, two minute positions. Its text is always five characters with the colon kept; empty
// positions are blanks in the text and "_" on screen while the field has the focus. Typing
// overwrites one position at a time and steps over the colon.
#include <QLineEdit>
#include <QString>

class MaskedTimeEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskedTimeEdit(QWidget *parent = nullptr);

    // Exactly five characters: "07:30", " 7:30", "  :  " when nothing is typed.
    QString text() const { return cells_; }
    // Takes a stored text, also one that came back trimmed from the settings file: the hours are
    // right-aligned and the minutes left-aligned around the colon (":" is the blank template,
    // "7:30" is " 7:30"); without a colon the digits fill the field from the right.
    void setText(const QString &text);
    // Any digit typed.
    bool holdsTime() const;

    static QString normalized(const QString &text);
    static constexpr QChar kBlank = QLatin1Char(' ');
    static constexpr QChar kShownBlank = QLatin1Char('_');

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void display(int cursor);
    // Position of the next editable cell at or after pos (the colon is skipped); 5 at the end.
    static int editableAtOrAfter(int pos);
    void blankRange(int from, int to);
    void typeDigits(const QString &digits);
    void onEdited(const QString &shown);

    QString cells_;  // five characters, blanks as kBlank
};
