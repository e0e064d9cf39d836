#include "company_settings/masked_time_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>

namespace {

constexpr int kColon = 2;
constexpr int kCells = 5;
const QString kTemplate = QStringLiteral("  :  ");

} // namespace

MaskedTimeEdit::MaskedTimeEdit(QWidget *parent) : QLineEdit(parent), cells_(kTemplate)
{
    setMaxLength(kCells);
    setDragEnabled(false);
    setAcceptDrops(false);
    QLineEdit::setText(cells_);
    // Paste or undo from the context menu bypass keyPressEvent; bring their result back into form.
    connect(this, &QLineEdit::textEdited, this, &MaskedTimeEdit::onEdited);
}

QString MaskedTimeEdit::normalized(const QString &text)
{
    QString hours, minutes;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        hours = text.left(colon).right(2);
        minutes = text.mid(colon + 1).left(2);
    } else {
        // No colon: the characters fill the positions from the right, as the mask's "!" asks.
        const QString tail = text.right(4);
        minutes = tail.right(2);
        hours = tail.left(qMax<qsizetype>(0, tail.size() - 2));
        minutes = minutes.rightJustified(2, kBlank);
    }
    return hours.rightJustified(2, kBlank) + QLatin1Char(':') + minutes.leftJustified(2, kBlank);
}

void MaskedTimeEdit::setText(const QString &text)
{
    cells_ = normalized(text);
    display(0);
}

bool MaskedTimeEdit::holdsTime() const
{
    for (const QChar c : cells_) {
        if (c.isDigit())
            return true;
    }
    return false;
}

void MaskedTimeEdit::display(int cursor)
{
    QString shown = cells_;
    if (hasFocus()) {
        for (int i = 0; i < kCells; ++i) {
            if (i != kColon && shown[i] == kBlank)
                shown[i] = kShownBlank;
        }
    }
    const QSignalBlocker block(this);
    QLineEdit::setText(shown);
    setCursorPosition(qBound(0, cursor, kCells));
}

int MaskedTimeEdit::editableAtOrAfter(int pos)
{
    return pos == kColon ? kColon + 1 : qMin(pos, kCells);
}

void MaskedTimeEdit::blankRange(int from, int to)
{
    for (int i = qMax(0, from); i < qMin(to, kCells); ++i) {
        if (i != kColon)
            cells_[i] = kBlank;
    }
}

void MaskedTimeEdit::typeDigits(const QString &digits)
{
    int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    if (hasSelectedText())
        blankRange(selectionStart(), selectionStart() + int(selectedText().size()));
    for (const QChar c : digits) {
        pos = editableAtOrAfter(pos);
        if (pos >= kCells)
            break;
        cells_[pos] = c;
        pos = editableAtOrAfter(pos + 1);
    }
    display(pos);
}

void MaskedTimeEdit::keyPressEvent(QKeyEvent *event)
{
    const int pos = cursorPosition();
    if (event == QKeySequence::Paste) {
        QString digits;
        for (const QChar c : QGuiApplication::clipboard()->text()) {
            if (c.isDigit())
                digits += c;
        }
        typeDigits(digits);
        return;
    }
    if (event == QKeySequence::Cut) {
        copy();
        blankRange(selectionStart(), selectionStart() + int(selectedText().size()));
        display(selectionStart());
        return;
    }
    if (event == QKeySequence::Undo || event == QKeySequence::Redo)
        return;
    switch (event->key()) {
    case Qt::Key_Backspace:
        if (hasSelectedText()) {
            const int start = selectionStart();
            blankRange(start, start + int(selectedText().size()));
            display(start);
        } else if (pos > 0) {
            const int cell = pos - 1 == kColon ? kColon - 1 : pos - 1;
            blankRange(cell, cell + 1);
            display(cell);
        }
        return;
    case Qt::Key_Delete:
        if (hasSelectedText()) {
            const int start = selectionStart();
            blankRange(start, start + int(selectedText().size()));
            display(start);
        } else {
            const int cell = editableAtOrAfter(pos);
            blankRange(cell, cell + 1);
            display(pos);
        }
        return;
    default:
        break;
    }
    const QString typed = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && typed.size() == 1 && typed[0].isDigit()) {
        typeDigits(typed);
        return;
    }
    if (plain && typed == QLatin1String(" ")) {
        typeDigits(QString(kBlank));
        return;
    }
    if (plain && typed.size() == 1 && typed[0].isPrint())
        return;  // the mask takes digits only
    // Navigation, selection, Return, Escape and Tab as in any one-line field.
    QLineEdit::keyPressEvent(event);
}

void MaskedTimeEdit::focusInEvent(QFocusEvent *event)
{
    const bool selectAllText = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
        || event->reason() == Qt::ShortcutFocusReason;
    display(cursorPosition());
    QLineEdit::focusInEvent(event);
    if (selectAllText)
        selectAll();
}

void MaskedTimeEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    display(0);
}

void MaskedTimeEdit::onEdited(const QString &shown)
{
    QString plain = shown;
    plain.replace(kShownBlank, kBlank);
    cells_ = plain.size() == kCells && plain[kColon] == QLatin1Char(':') ? plain : normalized(plain);
    display(cursorPosition());
}
