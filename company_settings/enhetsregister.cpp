#include "company_settings/enhetsregister.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

#include "company_settings/register_plugin.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"

namespace enhetsregister {

namespace {

// «name» as the messages quote the API's own names.
QString quoted(const QString &name)
{
    return QStringLiteral("«") + name + QStringLiteral("»");
}

// A text member: absent or null is empty; anything but a text is not what the API documents.
bool text(const QJsonObject &o, const QString &name, const QString &path, QString &out, QString *why)
{
    const QJsonValue v = o.value(name);
    if (v.isUndefined() || v.isNull()) {
        out.clear();
        return true;
    }
    if (!v.isString()) {
        *why = quoted(path + name) + QStringLiteral(" er ikke en tekst");
        return false;
    }
    out = v.toString();
    return true;
}

struct Address {
    bool present = false;
    QString lines;  // joined with ", "
    QString postnummer, poststed;
};

bool address(const QJsonObject &record, const QString &name, Address &out, QString *why)
{
    const QJsonValue v = record.value(name);
    if (v.isUndefined() || v.isNull())
        return true;
    if (!v.isObject()) {
        *why = quoted(name) + QStringLiteral(" er ikke et objekt");
        return false;
    }
    const QJsonObject o = v.toObject();
    const QString path = name + QLatin1Char('.');
    const QJsonValue lines = o.value(QLatin1String("adresse"));
    QStringList kept;
    if (!lines.isUndefined() && !lines.isNull()) {
        if (!lines.isArray()) {
            *why = quoted(path + QStringLiteral("adresse")) + QStringLiteral(" er ikke en liste");
            return false;
        }
        for (const QJsonValue &line : lines.toArray()) {
            if (!line.isString()) {
                *why = quoted(path + QStringLiteral("adresse")) + QStringLiteral(" har en linje som ikke er en tekst");
                return false;
            }
            // The register pads with empty lines; a line with text is kept as it is.
            if (!line.toString().trimmed().isEmpty())
                kept << line.toString();
        }
    }
    if (!text(o, QStringLiteral("postnummer"), path, out.postnummer, why)
        || !text(o, QStringLiteral("poststed"), path, out.poststed, why))
        return false;
    out.present = true;
    out.lines = kept.join(QStringLiteral(", "));
    return true;
}

// The message for a failure, with what the user is left with.
QString unchanged(const QString &what)
{
    return what + QStringLiteral("\n\nFeltene er ikke endret.");
}

} // namespace

Values &values()
{
    static Values v;
    return v;
}

void reset()
{
    values() = Values();
}

QString publicAddress()
{
    return QStringLiteral("https://data.brreg.no/enhetsregisteret/api");
}

QUrl baseAddress(QString *why)
{
    QString configured;
    if (const IniDocument *doc = hs_reg::settingsfile())
        configured = doc->value(QStringLiteral("ENHETSREGISTERET"), QStringLiteral("Adresse")).trimmed();
    if (configured.isEmpty())
        return QUrl(publicAddress());
    const QUrl url(configured, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        if (why)
            *why = QStringLiteral("Adressen til Enhetsregisteret i innstillingene (\"Adresse\" under [ENHETSREGISTERET]) "
                                  "er ikke en http- eller https-adresse: %1")
                       .arg(configured);
        return QUrl();
    }
    return url;
}

QUrl recordAddress(const QUrl &base, const QString &digits, bool subUnit)
{
    QUrl url = base;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + (subUnit ? QStringLiteral("/underenheter/") : QStringLiteral("/enheter/")) + digits);
    return url;
}

QString shown(const QString &digits)
{
    if (digits.size() != 9)
        return digits;
    return digits.left(3) + QLatin1Char(' ') + digits.mid(3, 3) + QLatin1Char(' ') + digits.mid(6);
}

bool readUnit(const QByteArray &json, const QString &digits, bool subUnit, Unit &unit, QString *why)
{
    QString dummy;
    if (!why)
        why = &dummy;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        *why = QStringLiteral("svaret er ikke gyldig JSON");
        return false;
    }
    if (!doc.isObject()) {
        *why = QStringLiteral("svaret er ikke et JSON-objekt");
        return false;
    }
    const QJsonObject record = doc.object();
    Unit out;
    out.subUnit = subUnit;
    QString number;
    if (!text(record, QStringLiteral("organisasjonsnummer"), QString(), number, why))
        return false;
    // A cache or mirror that hands out another unit's record would fill in the wrong company.
    if (!number.isEmpty() && number != digits) {
        *why = QStringLiteral("svaret gjelder organisasjonsnummer %1").arg(number);
        return false;
    }
    if (!text(record, QStringLiteral("navn"), QString(), out.navn, why))
        return false;
    if (out.navn.trimmed().isEmpty()) {
        *why = quoted(QStringLiteral("navn")) + QStringLiteral(" mangler");
        return false;
    }
    // A sub-unit has no business address of its own, but the address where it lies.
    Address street, post;
    if (!address(record, subUnit ? QStringLiteral("beliggenhetsadresse") : QStringLiteral("forretningsadresse"), street, why)
        || !address(record, QStringLiteral("postadresse"), post, why)
        || !text(record, QStringLiteral("hjemmeside"), QString(), out.hjemmeside, why))
        return false;
    // The register keeps a postal address only where it differs: else the post goes to the street.
    const Address &mail = post.present ? post : street;
    out.gateadresse = street.lines;
    out.postadresse = mail.lines;
    out.postnummer = mail.postnummer;
    out.poststed = mail.poststed;
    for (const QString *value : {&out.navn, &out.postadresse, &out.gateadresse, &out.postnummer, &out.poststed,
                                 &out.hjemmeside}) {
        // A field would cut such a text short; no real record comes near it.
        if (value->size() > kLongestText) {
            *why = QStringLiteral("en tekst er lengre enn et felt kan ta");
            return false;
        }
        // The register's texts are one line each; a line break or other control character in one
        // would end up in the shared settings file.
        for (const QChar c : *value) {
            if (c.category() == QChar::Other_Control) {
                *why = QStringLiteral("en tekst har linjeskift eller andre styretegn");
                return false;
            }
        }
    }
    unit = out;
    return true;
}

Result fetch(RegisterClient &client, const QString &digits, Unit &unit, QString *message)
{
    QString why;
    const QUrl base = baseAddress(&why);
    if (!base.isValid()) {
        *message = unchanged(why);
        return Result::Failed;
    }
    const int timeoutMs = qBound(0, values().timeoutMs, kTimeoutMs);
    const QDeadlineTimer deadline(timeoutMs);
    for (const bool subUnit : {false, true}) {
        const QUrl url = recordAddress(base, digits, subUnit);
        const RegisterClient::Answer answer = client.get(url, int(qMax<qint64>(deadline.remainingTime(), 0)), kMostBytes);
        switch (answer.outcome) {
        case RegisterClient::Outcome::Stopped:
            return Result::Stopped;
        case RegisterClient::Outcome::NoConnection:
            *message = unchanged(QStringLiteral("Får ikke kontakt med Enhetsregisteret (%1): %2\n\nOppslaget trenger "
                                                "tilgang til internett.")
                                     .arg(base.host(), answer.detail));
            return Result::Failed;
        case RegisterClient::Outcome::TimedOut:
            *message = unchanged(QStringLiteral("Enhetsregisteret svarte ikke innen %1 sekunder. Prøv igjen senere.")
                                     .arg((timeoutMs + 999) / 1000));
            return Result::Failed;
        case RegisterClient::Outcome::TooLarge:
            *message = unchanged(QStringLiteral("Svaret fra Enhetsregisteret er større enn 1 MB og er ikke brukt."));
            return Result::Failed;
        case RegisterClient::Outcome::Answered:
            break;
        }
        if (answer.status == 404)
            continue;  // not a unit: perhaps a sub-unit
        if (answer.status == 410) {
            *message = unchanged(QStringLiteral("Organisasjonsnummer %1 er slettet fra Enhetsregisteret.").arg(shown(digits)));
            return Result::NotFound;
        }
        if (answer.status != 200) {
            *message = unchanged(QStringLiteral("Enhetsregisteret kunne ikke svare på oppslaget (HTTP-status %1).")
                                     .arg(answer.status));
            return Result::Failed;
        }
        if (!readUnit(answer.body, digits, subUnit, unit, &why)) {
            *message = unchanged(QStringLiteral("Svaret fra Enhetsregisteret er ikke slik registeret beskriver det (%1), "
                                                "og er ikke brukt.")
                                     .arg(why));
            return Result::Failed;
        }
        return Result::Found;
    }
    *message = unchanged(QStringLiteral("Organisasjonsnummer %1 finnes ikke i Enhetsregisteret.").arg(shown(digits)));
    return Result::NotFound;
}

} // namespace enhetsregister
