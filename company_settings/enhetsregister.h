#pragma once
// Name and addresses from Enhetsregisteret, the public register of Norwegian organisations, by
// organisation number: its open API asked through the register module, and the answer read into
// the values of the "&Firma" fields.
#include <QByteArray>
#include <QString>
#include <QUrl>

class RegisterClient;

namespace enhetsregister {

// How long a look-up waits for the register, both requests together.
constexpr int kTimeoutMs = 10000;
// The largest answer read; a unit's record is a few kilobytes.
constexpr qint64 kMostBytes = 1024 * 1024;
// The longest text a one-line field of the dialog takes.
constexpr qsizetype kLongestText = 32767;

struct Values {
    // Tests shorten the wait; a look-up never waits longer than kTimeoutMs whatever this holds.
    int timeoutMs = kTimeoutMs;
};
Values &values();
void reset();

// The public API; the key "Adresse" of section "ENHETSREGISTERET" in the settings file replaces it.
QString publicAddress();
// The register's address as the settings give it; an invalid address, with why, when the key holds
// no http or https address.
QUrl baseAddress(QString *why);
// The record of one unit ("enheter") or sub-unit ("underenheter") below base.
QUrl recordAddress(const QUrl &base, const QString &digits, bool subUnit);

// What the register says, as the fields would hold it; empty where it says nothing.
struct Unit {
    bool subUnit = false;
    QString navn;
    QString postadresse;  // the postal address, else the street address: lines joined with ", "
    QString gateadresse;  // the business address (of a sub-unit: where it lies)
    QString postnummer;   // of the address in postadresse
    QString poststed;
    QString hjemmeside;
};

// Reads the answer to a record request for digits; false with the reason (Norwegian) when it is not
// what the API documents. Every character of the values is kept.
bool readUnit(const QByteArray &json, const QString &digits, bool subUnit, Unit &unit, QString *why);

enum class Result { Found, NotFound, Failed, Stopped };
// Asks the register for digits, as a unit and then as a sub-unit. Found fills unit; NotFound and
// Failed give the message for the user (Norwegian); Stopped: the user stopped it (client.abort()).
Result fetch(RegisterClient &client, const QString &digits, Unit &unit, QString *message);

// "923 609 016": the number as people write it.
QString shown(const QString &digits);

} // namespace enhetsregister
