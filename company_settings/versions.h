#pragma once
// Earlier versions of the company settings and settings taken from another installation: what they
// hold, how they differ from what the dialog shows, and the export file that carries them. Data only;
// the history window shows it.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace Timesetu {

struct Setting;

// The company settings as a save stores them: values by key, the standard-text lists by their
// field's name. Only what is there counts: an import may hold a part of them.
struct CompanySettings {
    QHash<QString, QString> values;
    QHash<QString, QStringList> texts;
};

// One saved version: a backup folder.
struct Version {
    QString folder;  // full path, with a separator at the end
    QString saved;   // when its files were saved (else as its header tells, else when it was replaced)
    QString user;    // who saved it, from its header
    CompanySettings settings;  // as stored in its files
    QString error;   // why it cannot be read; empty when it can
};

// The versions kept in the backup folder, newest first.
QList<Version> savedVersions(const QString &backupRoot);

// How a field shows a stored value and what a save then stores, for kinds whose rule is the
// field's own (the masked time field).
using TimeRule = std::function<QString(const QString &stored)>;
// The stored values as loading them into the fields and saving again would store them: a flag of 2
// becomes "0" or "1", a break of 75 minutes 60, a printer that is no longer there none.
CompanySettings asLoaded(const CompanySettings &stored, int printerCount, const TimeRule &time);

struct Difference {
    QString key;   // the setting's key, or the standard-text field's name
    bool texts = false;
    QString page;  // the page's caption
    QString field;
    QString then, now;           // as shown to the user
    QStringList added, removed;  // texts: lines there now and not then, and the other way round
};
// Where then and now differ, page by page, the standard-text lists last. Only what then holds is
// compared. printers: the names in the dialog's list, for showing a printer index.
QList<Difference> differences(const CompanySettings &then, const CompanySettings &now,
                              const QStringList &printers);
// then with only the chosen keys and lists.
CompanySettings chosen(const CompanySettings &then, const QStringList &keys);

// An export file: a header naming it, the 91 keys of "STANDARD" and the five lists, as readable text.
// A printer index means nothing on another machine, so the header names the printer too (printers:
// the names in the dialog's list), and reading takes its position in this machine's list.
inline constexpr qint64 kMaxImportSize = 10 * 1024 * 1024;
bool writeExport(const QString &path, const CompanySettings &settings, const QStringList &printers, QString *error);
// Reads an export. False with a Norwegian message when the file is larger than kMaxImportSize,
// cannot be read, is no export or holds keys that are none of the company settings (then listed).
bool readExport(const QString &path, const QStringList &printers, CompanySettings &settings, QString *error);

} // namespace Timesetu
