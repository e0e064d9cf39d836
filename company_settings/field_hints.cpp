#include "company_settings/field_hints.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QWidget>
#include <functional>

#include "company_settings/masked_time_edit.h"

namespace Timesetu {

namespace {

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The text with the characters in skip taken out; empty when anything else than ASCII digits is left.
QString digitsOnly(const QString &text, const QString &skip)
{
    QString out;
    for (const QChar c : text) {
        if (skip.contains(c))
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
        out += c;
    }
    return out;
}

// Modulus 11 over all digits but the last, which must be the check digit. A remainder that gives 10
// has no check digit: such a number is never handed out.
bool mod11(const QString &digits, std::initializer_list<int> weights)
{
    if (digits.size() != qsizetype(weights.size()) + 1)
        return false;
    int sum = 0, i = 0;
    for (const int w : weights)
        sum += (digits[i++].unicode() - '0') * w;
    int check = 11 - sum % 11;
    if (check == 11)
        check = 0;
    return check != 10 && check == digits.back().unicode() - '0';
}

} // namespace

QString hintText(HintRule rule)
{
    switch (rule) {
    case HintRule::OrgNr:
        return QStringLiteral("Organisasjonsnummeret er ikke gyldig (kontrollsifferet stemmer ikke).");
    case HintRule::AccountNr:
        return QStringLiteral("Kontonummeret er ikke gyldig (kontrollsifferet stemmer ikke).");
    case HintRule::PostNr:
        return QStringLiteral("Postnummeret skal ha fire sifre.");
    case HintRule::Email:
        return QStringLiteral("E-postadressen ser ikke riktig ut.");
    case HintRule::Rate:
        return QStringLiteral("Satsen skal være et tall mellom 0 og 100.");
    }
    return QString();
}

QString orgNrDigits(const QString &text)
{
    // The form on invoices, "NO 123 456 785 MVA", is the same number.
    QString t = text.trimmed();
    if (t.startsWith(QLatin1String("NO"), Qt::CaseInsensitive))
        t = t.mid(2);
    if (t.endsWith(QLatin1String("MVA"), Qt::CaseInsensitive))
        t.chop(3);
    const QString digits = digitsOnly(t, QStringLiteral(" \t\u00A0"));
    return mod11(digits, {3, 2, 7, 6, 5, 4, 3, 2}) ? digits : QString();
}

bool orgNrLooksRight(const QString &text)
{
    return isBlank(text) || !orgNrDigits(text).isEmpty();
}

bool accountNrLooksRight(const QString &text)
{
    if (isBlank(text))
        return true;
    return mod11(digitsOnly(text.trimmed(), QStringLiteral(" \t\u00A0.")), {5, 4, 3, 2, 7, 6, 5, 4, 3, 2});
}

bool postNrLooksRight(const QString &text)
{
    if (isBlank(text))
        return true;
    const QString t = text.trimmed();
    return t.size() == 4 && digitsOnly(t, QString()).size() == 4;
}

bool emailLooksRight(const QString &text)
{
    if (isBlank(text))
        return true;
    const QString t = text.trimmed();
    if (t.count(QLatin1Char('@')) != 1 || t.contains(QRegularExpression(QStringLiteral("\\s"))))
        return false;
    const qsizetype at = t.indexOf(QLatin1Char('@'));
    const QString local = t.left(at), domain = t.mid(at + 1);
    if (local.isEmpty() || domain.startsWith(QLatin1Char('.')) || domain.endsWith(QLatin1Char('.'))
        || domain.contains(QLatin1String("..")))
        return false;
    // A dot with text before and after it.
    return domain.contains(QLatin1Char('.'));
}

bool rateLooksRight(const QString &text)
{
    if (isBlank(text))
        return true;
    static const QRegularExpression number(QStringLiteral("^(?:[0-9]+(?:[.,][0-9]*)?|[.,][0-9]+)$"));
    QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    if (t.startsWith(QLatin1Char('.')))
        t.prepend(QLatin1Char('0'));
    bool ok = false;
    const double v = t.toDouble(&ok);  // QString::toDouble is locale-independent
    return ok && v >= 0.0 && v <= 100.0;
}

bool looksRight(HintRule rule, const QString &text)
{
    switch (rule) {
    case HintRule::OrgNr: return orgNrLooksRight(text);
    case HintRule::AccountNr: return accountNrLooksRight(text);
    case HintRule::PostNr: return postNrLooksRight(text);
    case HintRule::Email: return emailLooksRight(text);
    case HintRule::Rate: return rateLooksRight(text);
    }
    return true;
}

const QList<HintedField> &hintedFields()
{
    static const QList<HintedField> fields = {
        {"bOrgnr", HintRule::OrgNr}, {"bKontoNr", HintRule::AccountNr}, {"bPostNr", HintRule::PostNr},
        {"bEmail", HintRule::Email}, {"mva", HintRule::Rate},           {"mva2", HintRule::Rate},
        {"mva3", HintRule::Rate},    {"mva4", HintRule::Rate},          {"Arbavg", HintRule::Rate},
    };
    return fields;
}

QString timeHint(const QString &five)
{
    switch (MaskedTimeEdit::stateOf(five)) {
    case MaskedTimeEdit::State::Blank:
        return QString();
    case MaskedTimeEdit::State::Whole:
        return MaskedTimeEdit::cannotExist(five)
            ? QStringLiteral("Klokkeslettet finnes ikke: timene går fra 0 til 23 og minuttene fra 00 til 59.")
            : QString();
    case MaskedTimeEdit::State::Partial:
        break;
    }
    const auto blank = [&](int i) { return five.size() <= i || five[i] == QLatin1Char(' '); };
    QStringList missing;
    if (blank(1))
        missing << (blank(0) ? QStringLiteral("timetallet") : QStringLiteral("ett siffer i timetallet"));
    if (blank(3) && blank(4))
        missing << QStringLiteral("minuttene");
    else if (blank(3) || blank(4))
        missing << QStringLiteral("ett siffer i minuttene");
    return QStringLiteral("Klokkeslettet er ikke fullstendig: ") + missing.join(QStringLiteral(" og "))
        + QStringLiteral(" mangler. Skriv for eksempel 07:30, eller tøm feltet.");
}

QString timeFieldHint(const MaskedTimeEdit &field)
{
    if (!field.edited() && !MaskedTimeEdit::fitsMask(field.loadedText()))
        return QStringLiteral("Innstillingsfilen har «%1», som ikke er et klokkeslett feltet kan vise. "
                              "Det blir stående uendret til du endrer feltet.")
            .arg(field.loadedText());
    return timeHint(field.time());
}

const QStringList &timeFields()
{
    static const QStringList names = {QStringLiteral("ArbeidStart"), QStringLiteral("ArbeidSlutt"),
                                      QStringLiteral("Pausetid1"),   QStringLiteral("Pausetid2"),
                                      QStringLiteral("PauseTid3"),   QStringLiteral("Pausetid4")};
    return names;
}

QString hintActionName(const QString &control)
{
    return control + QStringLiteral("Varsel");
}

namespace {

// The sign inside the field and its tooltip, for the hint message returns (empty: none).
void watch(QLineEdit *edit, const QString &control, std::function<QString()> message)
{
    auto *action = new QAction(edit);
    action->setObjectName(hintActionName(control));
    action->setIcon(edit->style()->standardIcon(QStyle::SP_MessageBoxWarning));
    const QString ownTip = edit->toolTip();
    // The sign is added and taken away rather than hidden, so that a field without it keeps its
    // whole width for the text.
    auto update = [edit, action, message, ownTip] {
        const QString text = message();
        const bool marked = edit->actions().contains(action);
        if (!text.isEmpty() && !marked)
            edit->addAction(action, QLineEdit::TrailingPosition);
        else if (text.isEmpty() && marked)
            edit->removeAction(action);
        action->setToolTip(text);
        edit->setToolTip(text.isEmpty() ? ownTip : text);
    };
    if (auto *time = qobject_cast<MaskedTimeEdit *>(edit))
        QObject::connect(time, &MaskedTimeEdit::timeChanged, action, update);
    else
        QObject::connect(edit, &QLineEdit::textChanged, action, update);
    update();
}

} // namespace

void installFieldHints(QWidget *dialog)
{
    for (const HintedField &f : hintedFields()) {
        const QString name = QLatin1String(f.control);
        QWidget *w = dialog->findChild<QWidget *>(name);
        QLineEdit *edit = qobject_cast<QLineEdit *>(w);
        if (auto *combo = qobject_cast<QComboBox *>(w))
            edit = combo->lineEdit();  // null for a list that cannot be typed in
        if (edit) {
            const HintRule rule = f.rule;
            watch(edit, name, [edit, rule] { return looksRight(rule, edit->text()) ? QString() : hintText(rule); });
        }
    }
    for (const QString &name : timeFields()) {
        if (auto *time = dialog->findChild<MaskedTimeEdit *>(name))
            watch(time, name, [time] { return timeFieldHint(*time); });
    }
}

} // namespace Timesetu
