#pragma once
// A time field with the suite's edit mask "!90:00;1;_": an optional hour digit, a required hour
// digit, the literal colon, two required minute digits. Its time() is always five characters with
// the colon kept: the blank template "  :  ", a whole time ("07:30", " 7:30"), or, while the user is
// not done with it, a partial one. While the field has the focus its empty positions show as "_",
// so QLineEdit::text() is time() with "_" for the blanks while editing and time() itself otherwise;
// a text given to QLineEdit::setText by any caller is taken as load() takes it.
//
// Only the digits 0 to 9 enter it, whether typed, pasted, dropped or loaded (digits of other scripts
// are not digits here). Digits typed into an empty field are read the way people type times:
// 7 3 0 gives " 7:30", 0 7 3 0 "07:30", 1 6 4 5 "16:45"; 7 followed by ":" or "." (or by moving on
// to the minutes) gives " 7:". Elsewhere typing overwrites one position at a time and steps over
// the colon. A lone first hour digit becomes the hour when the user moves on to the minutes or
// leaves the field: "1_" is " 1".
#include <QLineEdit>
#include <QString>

class MaskedTimeEdit : public QLineEdit {
    Q_OBJECT
public:
    enum class State {
        Blank,    // the blank template
        Partial,  // some but not all of the required positions filled
        Whole,    // every required position holds a digit (whether or not the time can exist)
    };

    explicit MaskedTimeEdit(QWidget *parent = nullptr);

    // The five characters, blanks as blanks.
    QString time() const { return cells_; }
    // Shows a stored text as faithfully as the mask allows (normalized()); until the user edits the
    // field, storedText() gives a text that does not fit the mask back unchanged.
    void load(const QString &stored);
    // What saving writes: time(); or the loaded text as it was, when the user has not edited the
    // field and that text does not fit the mask. Never a partial time the user left: that is the
    // dialog's to refuse (a direct save then keeps what was loaded).
    QString storedText() const;
    // The text last loaded.
    QString loadedText() const { return loaded_; }
    // The user has edited the field since it was loaded.
    bool edited() const { return edited_; }
    State state() const { return stateOf(cells_); }
    // A whole time: what the closing question counts as a working time.
    bool holdsTime() const { return state() == State::Whole; }
    // What leaving the field does: the typing in progress ends, and a lone first hour digit the
    // user typed becomes the hour.
    void finishEditing();

    static State stateOf(const QString &five);
    // A whole time whose hour is above 23 or whose minutes are above 59.
    static bool cannotExist(const QString &five);
    // Any text in the field's five characters: the hour from what stands before the first ":" (or,
    // without one, the first "." after a digit), right-aligned; the minutes from what follows it up
    // to the next such separator, left-aligned; only digits 0 to 9 and blanks are kept. Without a
    // separator the digits are read as typed digits are. "7:30" is " 7:30", ":" the blank template,
    // "7:30:00" " 7:30", "kl. 07.30" "07:30", "730" " 7:30".
    static QString normalized(const QString &text);
    // The text is what saving writes for a blank or whole time, or that text trimmed as the settings
    // file gives it back (the empty text is the blank template).
    static bool fitsMask(const QString &stored);
    // The five characters for digits typed one after another into an empty field, and the cursor
    // position after them. Digits that find no place are not used.
    static QString typedTime(const QString &digits, int *cursor = nullptr);

signals:
    // time(), edited() or the loaded text changed.
    void timeChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Puts new cells in place and shows them with the cursor at cursor.
    void setCells(const QString &cells, int cursor);
    void display(int cursor);
    void markEdited();
    // An edit by the user: new cells (marked as edited when they differ) and the cursor.
    void edit(const QString &cells, int cursor);
    void endRun() { run_.clear(); }
    bool allBlank() const;
    // The cells with the selected positions blanked; start: where the selection began, or the cursor.
    QString withoutSelection(int *start) const;
    void typeDigit(QChar digit);
    void typeSeparator();
    void blankKey(bool backward);
    // Text brought in by paste or drop at the cursor: digits only.
    void insertText(const QString &text);
    void copySelection();
    void cutSelection();
    void deleteSelection();
    // A lone first hour digit becomes the hour once the cursor is in the minutes.
    void completeHourIfPastIt();
    // A change of the line edit's text that did not come from here.
    void adoptEdited(const QString &shown);
    void adoptChanged(const QString &shown);

    QString cells_;     // five characters, blanks as blanks
    QString loaded_;    // the text last loaded, as it was given
    QString shown_;     // what this field last put into the line edit
    QString reported_;  // the time last told by timeChanged()
    QString run_;       // digits typed one after another into the field since it was empty
    bool edited_ = false;
    bool editing_ = false;  // "_" for blanks: the field has the focus
    bool displaying_ = false;
};
