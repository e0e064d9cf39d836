#pragma once
// Hints on fields that money depends on: a number whose text is there but cannot be right (a
// check digit that does not match, a postal code without four digits, a rate above 100) gets a
// small warning sign inside its field and a tooltip saying why. Nothing is refused or changed; the
// value is saved as typed, since the suite's other programs and old files may hold such values.
#include <QList>
#include <QString>
#include <QStringList>

class MaskedTimeEdit;
class QWidget;

namespace Timesetu {

enum class HintRule { OrgNr, AccountNr, PostNr, Email, Rate };

// The tooltips, one per rule.
QString hintText(HintRule rule);

// True when the text may be right. An empty text, or blanks alone, is never wrong.
bool orgNrLooksRight(const QString &text);      // 9 digits, blanks and "NO ... MVA" allowed, mod-11 check digit
bool accountNrLooksRight(const QString &text);  // 11 digits, blanks and points allowed, mod-11 check digit
bool postNrLooksRight(const QString &text);     // 4 digits
bool emailLooksRight(const QString &text);      // text@text.text
bool rateLooksRight(const QString &text);       // 0 to 100, "," or "." as decimal sign
bool looksRight(HintRule rule, const QString &text);
// The nine digits of an organisation number that passes the check; empty for a blank or wrong one.
QString orgNrDigits(const QString &text);

// The designer names of the fields checked, each with its rule.
struct HintedField {
    const char *control;
    HintRule rule;
};
const QList<HintedField> &hintedFields();

// The object name of the warning action a checked field carries while its text looks wrong.
QString hintActionName(const QString &control);

// The masked time fields get the same sign: a partial time (what is missing from it), a time that
// cannot exist (hour above 23, minutes above 59), or a stored text the field cannot show, which is
// kept as it is until the user edits the field. Empty when there is nothing to say. A time that
// cannot exist is saved as typed; a partial time the user left is refused by the save (the dialog).
QString timeHint(const QString &five);
QString timeFieldHint(const MaskedTimeEdit &field);
// The designer names of the time fields, in their tab order.
const QStringList &timeFields();

// Watches the hinted fields among the dialog's children: every change of their text, by typing or
// by loading, shows or removes the warning sign and the tooltip. The time fields likewise.
void installFieldHints(QWidget *dialog);

} // namespace Timesetu
