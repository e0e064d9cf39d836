#include "company_settings/masked_time_edit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

#include <functional>

namespace {

constexpr int kColon = 2;
constexpr int kCells = 5;
constexpr QChar kBlank = QLatin1Char(' ');
constexpr QChar kShownBlank = QLatin1Char('_');
const QString kTemplate = QStringLiteral("  :  ");

// Only these are digits here: a digit of another script is no digit of a time.
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int value(QChar c)
{
    return isDigit(c) ? c.unicode() - '0' : 0;
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char(':') || c == QLatin1Char('.');
}

QString digitsOf(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (isDigit(c))
            out += c;
    }
    return out;
}

QString digitsAndBlanksOf(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (isDigit(c) || c == kBlank)
            out += c;
    }
    return out;
}

// The position of the next editable cell at or after pos (the colon is skipped); 5 at the end.
int editableAtOrAfter(int pos)
{
    return pos == kColon ? kColon + 1 : qBound(0, pos, kCells);
}

} // namespace

MaskedTimeEdit::MaskedTimeEdit(QWidget *parent) : QLineEdit(parent), cells_(kTemplate)
{
    // Every way into the field goes through this class: keys, paste, drop, the context menu. No input
    // method composes text here; the field takes digits only.
    setDragEnabled(false);
    setAcceptDrops(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText);
    display(0);
    connect(this, &QLineEdit::textEdited, this, &MaskedTimeEdit::adoptEdited);
    connect(this, &QLineEdit::textChanged, this, &MaskedTimeEdit::adoptChanged);
}

// --- The rules, without a widget -------------------------------------------------------------------

MaskedTimeEdit::State MaskedTimeEdit::stateOf(const QString &five)
{
    if (five.size() != kCells)
        return State::Partial;
    bool any = false;
    for (int i : {0, 1, 3, 4})
        any = any || isDigit(five[i]);
    if (!any)
        return State::Blank;
    return isDigit(five[1]) && isDigit(five[3]) && isDigit(five[4]) ? State::Whole : State::Partial;
}

bool MaskedTimeEdit::cannotExist(const QString &five)
{
    if (stateOf(five) != State::Whole)
        return false;
    return value(five[0]) * 10 + value(five[1]) > 23 || value(five[3]) * 10 + value(five[4]) > 59;
}

QString MaskedTimeEdit::typedTime(const QString &digits, int *cursor)
{
    // Two readings of the digits so far: "HH:MM" and " H:MM". The first is taken while the time it
    // begins can still exist, else the second; when neither can, the reading stays as it was (and
    // the field's hint tells the user). Four digits are always hours and minutes.
    static constexpr int kTwoDigitHour[] = {0, 1, 3, 4};
    static constexpr int kOneDigitHour[] = {1, 3, 4};
    auto twoDigitHourCan = [](const QString &s) {
        if (s.size() == 1)
            return value(s[0]) <= 2;
        if (value(s[0]) * 10 + value(s[1]) > 23)
            return false;
        return s.size() < 3 || value(s[2]) <= 5;
    };
    auto oneDigitHourCan = [](const QString &s) { return s.size() <= 3 && (s.size() < 2 || value(s[1]) <= 5); };

    bool twoDigitHour = true;
    QString used;
    for (const QChar c : digits) {
        if (!isDigit(c))
            continue;
        const QString next = used + c;
        if (next.size() > 4)
            break;
        if (next.size() == 4 || twoDigitHourCan(next))
            twoDigitHour = true;
        else if (oneDigitHourCan(next))
            twoDigitHour = false;
        used = next;
    }
    const int *positions = twoDigitHour ? kTwoDigitHour : kOneDigitHour;
    const qsizetype count = twoDigitHour ? 4 : 3;
    QString cells = kTemplate;
    for (qsizetype i = 0; i < used.size(); ++i)
        cells[positions[i]] = used[i];
    if (cursor)
        *cursor = used.size() < count ? positions[used.size()] : kCells;
    return cells;
}

QString MaskedTimeEdit::normalized(const QString &text)
{
    // The separator: the first ":", else the first "." after a digit ("kl. 07.30").
    qsizetype sep = text.indexOf(QLatin1Char(':'));
    for (qsizetype i = 1; sep < 0 && i < text.size(); ++i) {
        if (text[i] == QLatin1Char('.') && isDigit(text[i - 1]))
            sep = i;
    }
    if (sep < 0)
        return typedTime(digitsOf(text));
    // "7:30:00": the minutes end at the next separator of the same kind.
    const qsizetype end = text.indexOf(text[sep], sep + 1);
    const QString hours = digitsAndBlanksOf(QStringView(text).left(sep)).right(2);
    const QString minutes =
        digitsAndBlanksOf(QStringView(text).mid(sep + 1, end < 0 ? -1 : end - sep - 1)).left(2);
    return hours.rightJustified(2, kBlank) + QLatin1Char(':') + minutes.leftJustified(2, kBlank);
}

bool MaskedTimeEdit::fitsMask(const QString &stored)
{
    if (stored.trimmed().isEmpty())
        return true;  // absent or blank: the blank template
    const QString five = normalized(stored);
    if (stateOf(five) == State::Partial)
        return false;
    return five == stored || five.trimmed() == stored;
}

// --- Value -----------------------------------------------------------------------------------------

void MaskedTimeEdit::load(const QString &stored)
{
    loaded_ = stored;
    edited_ = false;
    endRun();
    setCells(normalized(stored), 0);
    reported_ = cells_;
    emit timeChanged();  // also when the five characters stayed the same
}

QString MaskedTimeEdit::storedText() const
{
    const bool keepLoaded = !edited_ || state() == State::Partial;
    if (keepLoaded && !fitsMask(loaded_))
        return loaded_;
    return keepLoaded ? normalized(loaded_) : cells_;
}

void MaskedTimeEdit::setCells(const QString &cells, int cursor)
{
    cells_ = cells;
    display(cursor);
    if (cells_ != reported_) {
        reported_ = cells_;
        emit timeChanged();
    }
}

void MaskedTimeEdit::display(int cursor)
{
    QString shown = cells_;
    if (editing_) {
        for (int i = 0; i < kCells; ++i) {
            if (i != kColon && shown[i] == kBlank)
                shown[i] = kShownBlank;
        }
    }
    shown_ = shown;
    displaying_ = true;
    if (QLineEdit::text() != shown)
        QLineEdit::setText(shown);
    setCursorPosition(qBound(0, cursor, kCells));
    displaying_ = false;
}

void MaskedTimeEdit::markEdited()
{
    if (!edited_) {
        edited_ = true;
        emit timeChanged();
    }
}

bool MaskedTimeEdit::allBlank() const
{
    return stateOf(cells_) == State::Blank;
}

void MaskedTimeEdit::finishEditing()
{
    endRun();
    if (!edited_)
        return;
    // "7_:30" can only mean " 7:30": the digit in front stands for the hour.
    if (isDigit(cells_[0]) && cells_[1] == kBlank) {
        QString cells = cells_;
        cells[1] = cells[0];
        cells[0] = kBlank;
        setCells(cells, cursorPosition());
    }
}

void MaskedTimeEdit::completeHourIfPastIt()
{
    if (cursorPosition() >= kColon && !hasSelectedText())
        finishEditing();
}

// --- Editing ---------------------------------------------------------------------------------------

QString MaskedTimeEdit::withoutSelection(int *start) const
{
    QString cells = cells_;
    if (!hasSelectedText()) {
        *start = cursorPosition();
        return cells;
    }
    *start = selectionStart();
    const int end = *start + int(selectedText().size());
    for (int i = qMax(0, *start); i < qMin(end, kCells); ++i) {
        if (i != kColon)
            cells[i] = kBlank;
    }
    return cells;
}

void MaskedTimeEdit::edit(const QString &cells, int cursor)
{
    // Only a change is an edit: a refused key, or a blank blanked again, leaves a loaded text alone.
    if (cells != cells_)
        markEdited();
    setCells(cells, cursor);
}

void MaskedTimeEdit::typeDigit(QChar digit)
{
    int pos = 0;
    QString cells = withoutSelection(&pos);
    if (stateOf(cells) == State::Blank) {
        // Digits into an empty field: a run read the way times are typed, wherever the cursor was.
        run_.clear();
        run_ += digit;
    } else if (!run_.isEmpty() && !hasSelectedText() && cells_ == typedTime(run_)) {
        run_ += digit;
    } else {
        endRun();
    }
    if (!run_.isEmpty()) {
        int cursor = 0;
        const QString typed = typedTime(run_, &cursor);
        if (run_.size() > 1 && typedTime(run_.left(run_.size() - 1)) == typed)
            run_.chop(1);  // no place for it
        edit(typed, cursor);
        return;
    }
    pos = editableAtOrAfter(pos);
    if (pos >= kCells) {
        edit(cells, pos);  // no place for it
        return;
    }
    if (pos == 0 && cells[0] == kBlank && cells[1] == kBlank && value(digit) >= 3) {
        // No hour begins with 3 or more: the digit is the hour.
        cells[1] = digit;
        edit(cells, kColon + 1);
        return;
    }
    cells[pos] = digit;
    edit(cells, editableAtOrAfter(pos + 1));
    completeHourIfPastIt();
}

void MaskedTimeEdit::typeSeparator()
{
    endRun();
    const int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    if (pos > kColon)
        return;
    deselect();
    setCursorPosition(kColon + 1);
    if (isDigit(cells_[0]) && cells_[1] == kBlank)
        markEdited();  // the user says the hour is done: a change to come
    finishEditing();
}

void MaskedTimeEdit::blankKey(bool backward)
{
    endRun();
    int pos = 0;
    QString cells = withoutSelection(&pos);
    if (hasSelectedText()) {
        edit(cells, pos);
        return;
    }
    if (backward) {
        if (pos == 0)
            return;
        const int cell = pos - 1 == kColon ? kColon - 1 : pos - 1;
        cells[cell] = kBlank;
        edit(cells, cell);
    } else {
        const int cell = editableAtOrAfter(pos);
        if (cell < kCells)
            cells[cell] = kBlank;
        edit(cells, pos);
    }
}

void MaskedTimeEdit::insertText(const QString &text)
{
    endRun();
    const QString digits = digitsOf(text);
    int pos = 0;
    QString cells = withoutSelection(&pos);
    if (stateOf(cells) == State::Blank) {
        // A whole time brought in: read as a stored text is, so "7:30" and "730" are " 7:30".
        const QString whole = normalized(text);
        int cursor = kCells;
        while (cursor > 0 && whole[cursor - 1] == kBlank)
            --cursor;
        edit(whole, stateOf(whole) == State::Blank ? 0 : cursor);
        return;
    }
    for (const QChar c : digits) {
        pos = editableAtOrAfter(pos);
        if (pos >= kCells)
            break;
        cells[pos] = c;
        pos = editableAtOrAfter(pos + 1);
    }
    edit(cells, pos);
}

void MaskedTimeEdit::copySelection()
{
    if (!hasSelectedText() || echoMode() != QLineEdit::Normal)
        return;
    QGuiApplication::clipboard()->setText(cells_.mid(selectionStart(), selectedText().size()));
}

void MaskedTimeEdit::cutSelection()
{
    if (!hasSelectedText())
        return;
    copySelection();
    deleteSelection();
}

void MaskedTimeEdit::deleteSelection()
{
    if (!hasSelectedText())
        return;
    blankKey(false);
}

void MaskedTimeEdit::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Paste) {
        insertText(QGuiApplication::clipboard()->text());
        return;
    }
    if (event == QKeySequence::Copy) {
        copySelection();
        return;
    }
    if (event == QKeySequence::Cut) {
        cutSelection();
        return;
    }
    if (event == QKeySequence::Undo || event == QKeySequence::Redo)
        return;
    if (event == QKeySequence::DeleteStartOfWord || event == QKeySequence::DeleteEndOfWord
        || event == QKeySequence::DeleteEndOfLine || event == QKeySequence::DeleteCompleteLine) {
        // Whole words of a time: everything before or after the cursor.
        endRun();
        const int pos = cursorPosition();
        const bool before = event == QKeySequence::DeleteStartOfWord;
        const bool all = event == QKeySequence::DeleteCompleteLine;
        QString cells = cells_;
        for (int i = 0; i < kCells; ++i) {
            if (i != kColon && (all || (before ? i < pos : i >= pos)))
                cells[i] = kBlank;
        }
        edit(cells, before || all ? 0 : pos);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Backspace:
        blankKey(true);
        return;
    case Qt::Key_Delete:
        blankKey(false);
        return;
    default:
        break;
    }
    const QString typed = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && typed.size() == 1) {
        const QChar c = typed[0];
        if (isDigit(c)) {
            typeDigit(c);
            return;
        }
        if (isSeparator(c)) {
            typeSeparator();
            return;
        }
        if (c == kBlank) {
            // A blank empties the position and moves on, as the mask's blank does.
            endRun();
            int pos = 0;
            QString cells = withoutSelection(&pos);
            pos = editableAtOrAfter(pos);
            if (pos < kCells)
                cells[pos] = kBlank;
            edit(cells, pos < kCells ? editableAtOrAfter(pos + 1) : pos);
            return;
        }
        if (c.isPrint())
            return;  // the mask takes digits only
    }
    // Navigation, selection, Return, Escape and Tab as in any one-line field.
    const int before = cursorPosition();
    QLineEdit::keyPressEvent(event);
    if (cursorPosition() != before || hasSelectedText()) {
        endRun();
        completeHourIfPastIt();
    }
}

void MaskedTimeEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // Composed text counts as typed; only its digits are taken.
    for (const QChar c : event->commitString()) {
        if (isDigit(c))
            typeDigit(c);
    }
    event->accept();
}

void MaskedTimeEdit::mousePressEvent(QMouseEvent *event)
{
    endRun();
    QLineEdit::mousePressEvent(event);
    if (hasSelectedText())
        return;
    if (allBlank()) {
        setCursorPosition(0);  // an empty field is typed into from its start
    } else if (cursorPosition() == kCells) {
        // A click past the text lands on the minutes still to be typed, not past the end.
        for (int i : {kColon + 1, kColon + 2}) {
            if (cells_[i] == kBlank) {
                setCursorPosition(i);
                break;
            }
        }
    }
}

void MaskedTimeEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    completeHourIfPastIt();
}

void MaskedTimeEdit::focusInEvent(QFocusEvent *event)
{
    const bool selectAllText = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason;
    editing_ = true;
    display(allBlank() ? 0 : cursorPosition());
    QLineEdit::focusInEvent(event);
    if (selectAllText)
        selectAll();
}

void MaskedTimeEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;  // its own context menu: still editing
    editing_ = false;
    // Another window coming up (a question) does not end the typing; the user leaving the field does.
    const bool away = event->reason() == Qt::ActiveWindowFocusReason;
    if (!away)
        finishEditing();
    display(away ? cursorPosition() : 0);
}

void MaskedTimeEdit::contextMenuEvent(QContextMenuEvent *event)
{
    // The line edit's own commands, in its own words (translated as its menu is), each going through
    // the field's rules; no undo, since every change is the mask's.
    QPointer<QMenu> menu = new QMenu(this);
    const bool selected = hasSelectedText();
    auto add = [&](const char *name, const char *text, QKeySequence::StandardKey key, bool enabled,
                   std::function<void()> command) {
        QString caption = QCoreApplication::translate("QLineEdit", text);
        if (key != QKeySequence::UnknownKey)
            caption += QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
        QAction *action = menu->addAction(QIcon::fromTheme(QLatin1String(name)), caption);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, command);
    };
    add("edit-cut", "Cu&t", QKeySequence::Cut, selected && !isReadOnly(), [this] { cutSelection(); });
    add("edit-copy", "&Copy", QKeySequence::Copy, selected, [this] { copySelection(); });
    add("edit-paste", "&Paste", QKeySequence::Paste,
        !isReadOnly() && !QGuiApplication::clipboard()->text().isEmpty(),
        [this] { insertText(QGuiApplication::clipboard()->text()); });
    add("edit-delete", "Delete", QKeySequence::UnknownKey, selected && !isReadOnly(), [this] { deleteSelection(); });
    menu->addSeparator();
    add("select-all", "Select All", QKeySequence::SelectAll, !allBlank(), [this] {
        endRun();
        selectAll();
    });
    menu->exec(event->globalPos());
    delete menu;
}

void MaskedTimeEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void MaskedTimeEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void MaskedTimeEdit::dropEvent(QDropEvent *event)
{
    if (isReadOnly() || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    deselect();
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    insertText(event->mimeData()->text());
    // Copied, never moved: the source keeps its text.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// --- Changes made past this class -------------------------------------------------------------------

void MaskedTimeEdit::adoptEdited(const QString &shown)
{
    // A command of the line edit itself changed the text: keep its digits in the mask's form.
    if (displaying_ || shown == shown_)
        return;
    endRun();
    QString plain = shown;
    plain.replace(kShownBlank, kBlank);
    bool inForm = plain.size() == kCells && plain[kColon] == QLatin1Char(':');
    for (int i = 0; inForm && i < kCells; ++i)
        inForm = i == kColon || isDigit(plain[i]) || plain[i] == kBlank;
    const QString cells = inForm ? plain : normalized(plain);
    markEdited();  // the line edit's text has changed, whatever the cells
    setCells(cells, cursorPosition());
}

void MaskedTimeEdit::adoptChanged(const QString &)
{
    // QLineEdit::setText from a caller holding the line edit: a text to show, as load() takes it.
    if (displaying_ || QLineEdit::text() == shown_)
        return;
    load(QLineEdit::text());
}
