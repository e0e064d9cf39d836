#include "company_settings/versions.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include "common/qtstring.h"
#include "common/textfile.h"
#include "company_settings/backup.h"
#include "company_settings/catalogue.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/datetimetext.h"
#include "platform/files.h"

namespace Timesetu {

namespace {

const QString kStandard = QStringLiteral("STANDARD");
const QString kHeader = QStringLiteral("EKSPORT");
const QString kFormat = QStringLiteral("Bruker oppsett firmaoppsett");
const QString kFormatVersion = QStringLiteral("1");
const QString kPrinterKey = QStringLiteral("Skriver_Index");

qint32 number(const QString &stored)
{
    qint32 n = 0;
    return IniDocument::parseInt(stored, n) ? n : 0;
}

QString pageCaption(Page page)
{
    switch (page) {
    case Page::Firma: return QStringLiteral("Firma");
    case Page::Avdeling: return QStringLiteral("Avdeling");
    case Page::Arbeid: return QStringLiteral("Arbeid");
    case Page::Regnskap: return QStringLiteral("Regnskap");
    case Page::Faktura: return QStringLiteral("Faktura");
    case Page::Utskrift: return QStringLiteral("Utskrift");
    case Page::Tekster: break;
    }
    return QStringLiteral("Tekster");
}

// The caption as the user reads it; where several fields of a page share it, which of them.
QString fieldLabel(const Setting &s)
{
    QString label = s.caption;
    label.remove(QLatin1Char('&'));
    label = label.trimmed();
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    static const QHash<QString, QString> parts = {
        {QStringLiteral("Firma_PostNr"), QStringLiteral("postnummer")},
        {QStringLiteral("Firma_PostSted"), QStringLiteral("sted")},
        {QStringLiteral("Arbeid_BorteProsent"), QStringLiteral("kroner eller prosent")},
        {QStringLiteral("Arbeid_Bortetillegg"), QStringLiteral("beløp")},
    };
    if (parts.contains(s.key))
        return label + QStringLiteral(", ") + parts.value(s.key);
    int sharing = 0;
    for (const Setting &other : settings())
        sharing += other.page == s.page && other.caption == s.caption;
    if (sharing > 1 && s.key.back().isDigit()) {
        label += QStringLiteral(", rad ") + s.key.back();
        if (s.kind == Kind::Time)
            label += QStringLiteral(", kl.");
        else if (s.kind == Kind::Number)
            label += QStringLiteral(", minutt");
    }
    return label;
}

QString shown(const Setting &s, const QString &value, const QStringList &printers)
{
    switch (s.kind) {
    case Kind::Flag:
    case Kind::Flag1:
        return value == QLatin1String("1") ? QStringLiteral("avkrysset") : QStringLiteral("ikke avkrysset");
    case Kind::JaNei:
        return value == QLatin1String("JA") ? QStringLiteral("Prosent") : QStringLiteral("Kroner");
    case Kind::PrinterIndex: {
        const qint32 n = number(value);
        return n >= 0 && n < printers.size() ? printers[n] : QStringLiteral("(ingen skriver)");
    }
    case Kind::Time: {
        static const QRegularExpression digit(QStringLiteral("\\d"));
        return value.contains(digit) ? value.trimmed() : QStringLiteral("(tom)");
    }
    default:
        break;
    }
    if (value.isEmpty())
        return QStringLiteral("(tom)");
    // Blanks at either end would not be seen otherwise.
    return value == value.trimmed() ? value : QStringLiteral("«") + value + QStringLiteral("»");
}

QString lineCount(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 linje") : QStringLiteral("%1 linjer").arg(n);
}

// The lines of a that b lacks, counted: a line twice in a and once in b is listed once.
QStringList linesMissingFrom(const QStringList &a, const QStringList &b)
{
    QHash<QString, int> left;
    for (const QString &line : b)
        ++left[line];
    QStringList out;
    for (const QString &line : a) {
        int &n = left[line];
        if (n > 0)
            --n;
        else
            out << line;
    }
    return out;
}

// "2026-12-07_140509_2" as "07.12.2026 14:05:09".
QString folderTime(const QString &name)
{
    if (name.size() < 17)
        return name;
    return QStringLiteral("%1.%2.%3 %4:%5:%6")
        .arg(name.mid(8, 2), name.mid(5, 2), name.left(4), name.mid(11, 2), name.mid(13, 2), name.mid(15, 2));
}

bool readText(const QString &path, QString &text, QStringList &failures)
{
    QByteArray bytes;
    QString reason;
    if (!textfile::readAll(path, bytes, &reason)) {
        failures << QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reason);
        return false;
    }
    text = textfile::decode(bytes);
    return true;
}

// The date and time in the user's regional form, as in the settings file's header.
QString regional(const QDateTime &time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    const platform::LocalTime local{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
    return qs(platform::shortDateText(local)) + QLatin1Char(' ') + qs(platform::longTimeText(local));
}

Version readVersion(const QString &folder, const QString &name)
{
    Version v;
    v.folder = folder;
    std::vector<platform::files::Entry> entries;
    if (!platform::files::listFolder(us(folder), entries)) {
        v.saved = folderTime(name);
        v.error = QStringLiteral("mappen %1 kan ikke leses").arg(folder);
        return v;
    }
    QStringList failures;
    QString text;
    // Numbered folders keep the times their files were saved; older ones only the header tells.
    const bool fileTimes = QFileInfo::exists(folder + QString::fromUtf16(kOrderFileName));
    QDateTime newest;
    auto saw = [&](const QString &path) {
        const QDateTime modified = QFileInfo(path).lastModified();
        if (fileTimes && modified.isValid() && (!newest.isValid() || modified > newest))
            newest = modified;
    };
    const QString ini = folder + QFileInfo(hs_reg::values().ininame).fileName();
    if (QFileInfo::exists(ini) && readText(ini, text, failures)) {
        saw(ini);
        IniDocument doc;
        doc.loadText(text);
        // A key missing from the file is a field loading would have emptied, so every key counts.
        for (const Setting &s : settings())
            v.settings.values.insert(s.key, doc.value(kStandard, s.key, QString(QLatin1String(""))));
        v.saved = doc.value(QStringLiteral("INI_SELF"), QStringLiteral("MODIFIED_TIME"));
        v.user = doc.value(QStringLiteral("INI_SELF"), QStringLiteral("MODIFIED_USER"));
    }
    for (const SideFile &f : sideFiles()) {
        const QString path = folder + QFileInfo(sideFilePath(f)).fileName();
        if (QFileInfo::exists(path) && readText(path, text, failures)) {
            saw(path);
            v.settings.texts.insert(f.control, textfile::splitLines(text));
        }
    }
    if (newest.isValid())
        v.saved = regional(newest);
    else if (v.saved.isEmpty())
        v.saved = folderTime(name);
    if (!failures.isEmpty()) {
        v.error = failures.join(QStringLiteral("; "));
        v.settings = CompanySettings();  // a version only partly read is never brought back
    }
    return v;
}

// A value as it stands after "=": as it is, or in quotes where blanks at its ends, a line break or a
// leading quote would otherwise be lost or misread.
QString quoted(const QString &value)
{
    const bool plain = value == value.trimmed() && !value.startsWith(QLatin1Char('"'))
        && !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n'));
    if (plain)
        return value;
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '"': out += QStringLiteral("\\\""); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        default: out += c;
        }
    }
    return out + QLatin1Char('"');
}

bool unquoted(const QString &text, QString &value)
{
    if (!text.startsWith(QLatin1Char('"'))) {
        value = text;
        return true;
    }
    if (text.size() < 2 || !text.endsWith(QLatin1Char('"')))
        return false;
    value.clear();
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"'))
            return false;
        if (c != QLatin1Char('\\')) {
            value += c;
            continue;
        }
        if (++i >= text.size() - 1)
            return false;
        switch (text[i].unicode()) {
        case '\\': value += QLatin1Char('\\'); break;
        case '"': value += QLatin1Char('"'); break;
        case 'r': value += QLatin1Char('\r'); break;
        case 'n': value += QLatin1Char('\n'); break;
        default: return false;
        }
    }
    return true;
}

QString notAnExport(const QString &path)
{
    return QStringLiteral("Filen \"%1\" er ikke en eksport av firmaoppsettet fra Bruker oppsett. Ingenting er hentet "
                          "inn.")
        .arg(path);
}

} // namespace

QList<Version> savedVersions(const QString &backupRoot)
{
    const QString root = hs_reg::withSeparator(backupRoot);
    const QStringList names = backupFolders(root);
    QList<Version> out;
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        out << readVersion(root + *it + hs_reg::separator(), *it);
    return out;
}

CompanySettings asLoaded(const CompanySettings &stored, int printerCount, const TimeRule &time)
{
    CompanySettings out;
    for (auto it = stored.values.cbegin(); it != stored.values.cend(); ++it) {
        const Setting *s = findSetting(it.key());
        if (!s)
            continue;
        const QString &v = it.value();
        QString value;
        switch (s->kind) {
        case Kind::Text: value = v; break;
        case Kind::Time: value = time(v); break;
        case Kind::Number: value = QString::number(qBound(s->minimum, number(v), s->maximum)); break;
        case Kind::NumberAsText: value = QString::number(number(v)); break;
        case Kind::Flag1: value = number(v) == 1 ? QStringLiteral("1") : QStringLiteral("0"); break;
        case Kind::Flag: value = number(v) != 0 ? QStringLiteral("1") : QStringLiteral("0"); break;
        case Kind::JaNei: value = v == QLatin1String("JA") ? QStringLiteral("JA") : QStringLiteral("NEI"); break;
        case Kind::PrinterIndex: {
            const qint32 n = number(v);
            value = QString::number(n >= 0 && n < printerCount ? n : -1);
            break;
        }
        }
        out.values.insert(s->key, value);
    }
    // The multi-line field breaks a line at the Unicode line and paragraph separators too.
    static const QRegularExpression breaks(QStringLiteral("[\\x{2028}\\x{2029}]"));
    for (auto it = stored.texts.cbegin(); it != stored.texts.cend(); ++it) {
        QStringList lines;
        for (const QString &line : it.value())
            lines << line.split(breaks);
        out.texts.insert(it.key(), lines);
    }
    return out;
}

QList<Difference> differences(const CompanySettings &then, const CompanySettings &now, const QStringList &printers)
{
    QList<Difference> out;
    for (const Setting &s : settings()) {
        const auto it = then.values.constFind(s.key);
        if (it == then.values.cend() || *it == now.values.value(s.key))
            continue;
        Difference d;
        d.key = s.key;
        d.page = pageCaption(s.page);
        d.field = fieldLabel(s);
        d.then = shown(s, *it, printers);
        d.now = shown(s, now.values.value(s.key), printers);
        out << d;
    }
    for (const SideFile &f : sideFiles()) {
        const auto it = then.texts.constFind(f.control);
        const QStringList current = now.texts.value(f.control);
        if (it == then.texts.cend() || *it == current)
            continue;
        Difference d;
        d.key = f.control;
        d.texts = true;
        d.page = pageCaption(Page::Tekster);
        d.field = f.tab;
        d.then = lineCount(it->size());
        d.now = lineCount(current.size());
        d.added = linesMissingFrom(current, *it);
        d.removed = linesMissingFrom(*it, current);
        out << d;
    }
    return out;
}

CompanySettings chosen(const CompanySettings &then, const QStringList &keys)
{
    CompanySettings out;
    for (const QString &key : keys) {
        if (then.values.contains(key))
            out.values.insert(key, then.values.value(key));
        if (then.texts.contains(key))
            out.texts.insert(key, then.texts.value(key));
    }
    return out;
}

bool writeExport(const QString &path, const CompanySettings &s, const QStringList &printers, QString *error)
{
    const QString nl = QStringLiteral("\r\n");
    QString text = QStringLiteral("; Firmaoppsett fra Bruker oppsett: innstillingene i \"STANDARD\" og listene med "
                                  "standardtekster.")
        + nl
        + QStringLiteral("; Alt etter \"=\" er verdien. I en verdi i anførselstegn står \\\" for \", \\\\ for \\ og "
                         "\\r og \\n for linjeskift.")
        + nl + nl;
    text += QLatin1Char('[') + kHeader + QLatin1Char(']') + nl;
    text += QStringLiteral("Format=") + kFormat + nl + QStringLiteral("Versjon=") + kFormatVersion + nl;
    text += QStringLiteral("Eksportert=") + quoted(textfil::datetimetext()) + nl;
    text += QStringLiteral("Av=") + quoted(hs_reg::username()) + nl;
    text += QStringLiteral("Fra=") + quoted(hs_reg::values().ininame) + nl;
    if (s.values.contains(kPrinterKey)) {
        const qint32 n = number(s.values.value(kPrinterKey));
        text += QStringLiteral("Skriver=") + quoted(n >= 0 && n < printers.size() ? printers[n] : QString()) + nl;
    }
    text += nl + QLatin1Char('[') + kStandard + QLatin1Char(']') + nl;
    // Page by page, as the user knows them.
    for (const Setting &setting : settings()) {
        if (s.values.contains(setting.key))
            text += setting.key + QLatin1Char('=') + quoted(s.values.value(setting.key)) + nl;
    }
    for (const SideFile &f : sideFiles()) {
        if (!s.texts.contains(f.control))
            continue;
        text += nl + QLatin1Char('[') + f.tab + QLatin1Char(']') + nl;
        const QStringList &lines = s.texts[f.control];
        for (qsizetype i = 0; i < lines.size(); ++i)
            text += QString::number(i + 1) + QLatin1Char('=') + quoted(lines[i]) + nl;
    }
    // Written as the settings files are: the code page, or UTF-16 where it cannot hold the text.
    textfile::Encoding encoding = textfile::Encoding::Ansi;
    QString reason;
    if (textfile::writeAtomically(path, textfile::encode(text, encoding), &reason))
        return true;
    if (error)
        *error = QStringLiteral("Kan ikke lagre filen \"%1\". %2").arg(path, reason);
    return false;
}

bool readExport(const QString &path, const QStringList &printers, CompanySettings &result, QString *error)
{
    auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QFileInfo info(path);
    const QString tooLarge = QStringLiteral("Filen \"%1\" er for stor til å være en eksport av firmaoppsettet (%2 MB; "
                                            "en eksport er aldri over 10 MB). Ingenting er hentet inn.");
    if (info.isFile() && info.size() > kMaxImportSize)
        return fail(tooLarge.arg(path).arg(double(info.size()) / (1024 * 1024), 0, 'f', 1));
    QByteArray bytes;
    QString reason;
    if (!textfile::readAll(path, bytes, &reason))
        return fail(QStringLiteral("Kan ikke lese filen \"%1\": %2. Ingenting er hentet inn.").arg(path, reason));
    if (bytes.size() > kMaxImportSize)
        return fail(tooLarge.arg(path).arg(double(bytes.size()) / (1024 * 1024), 0, 'f', 1));

    QHash<QString, QString> keyOf;  // keys match without regard to letter case, as in the settings file
    for (const Setting &s : settings())
        keyOf.insert(s.key.toLower(), s.key);
    QHash<QString, QString> listOf;
    for (const SideFile &f : sideFiles())
        listOf.insert(f.tab.toLower(), f.control);

    CompanySettings found;
    QHash<QString, QMap<qint64, QString>> lists;
    QHash<QString, QString> header;
    QStringList unknown;
    QString section;
    bool inSection = false;
    for (const QString &line : textfile::splitLines(textfile::decode(bytes))) {
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            continue;
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            section = t.mid(1, t.size() - 2).trimmed();
            inSection = true;
            const QString lower = section.toLower();
            if (lower != kHeader.toLower() && lower != kStandard.toLower() && !listOf.contains(lower))
                unknown << QLatin1Char('[') + section + QLatin1Char(']');
            if (listOf.contains(lower))
                lists[listOf.value(lower)];  // an empty list is a list too
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        QString value;
        if (eq < 0 || !inSection || !unquoted(t.mid(eq + 1).trimmed(), value))
            return fail(notAnExport(path));
        const QString key = t.left(eq).trimmed();
        const QString lower = section.toLower();
        if (lower == kHeader.toLower()) {
            header.insert(key.toLower(), value);
        } else if (lower == kStandard.toLower()) {
            if (keyOf.contains(key.toLower()))
                found.values.insert(keyOf.value(key.toLower()), value);
            else
                unknown << key;
        } else if (listOf.contains(lower)) {
            bool ok = false;
            const qint64 n = key.toLongLong(&ok);
            if (ok && n > 0)
                lists[listOf.value(lower)].insert(n, value);
            else
                unknown << QStringLiteral("[%1] %2").arg(section, key);
        }
    }
    if (header.value(QStringLiteral("format")) != kFormat || !header.contains(QStringLiteral("versjon")))
        return fail(notAnExport(path));
    if (header.value(QStringLiteral("versjon")) != kFormatVersion)
        return fail(QStringLiteral("Filen \"%1\" er laget av en annen versjon av Bruker oppsett (format %2) og kan ikke "
                                   "leses her. Ingenting er hentet inn.")
                        .arg(path, header.value(QStringLiteral("versjon"))));
    if (!unknown.isEmpty()) {
        unknown.removeDuplicates();
        const qsizetype shownKeys = qMin<qsizetype>(unknown.size(), 20);
        QString list = unknown.mid(0, shownKeys).join(QStringLiteral("\n"));
        if (unknown.size() > shownKeys)
            list += QStringLiteral("\n... og %1 til").arg(unknown.size() - shownKeys);
        return fail(QStringLiteral("Filen \"%1\" har innstillinger som ikke hører til firmaoppsettet:\n%2\n\nIngenting "
                                   "er hentet inn.")
                        .arg(path, list));
    }
    for (auto it = lists.cbegin(); it != lists.cend(); ++it)
        found.texts.insert(it.key(), it.value().values());
    if (found.values.contains(kPrinterKey) && header.contains(QStringLiteral("skriver"))) {
        const QString printer = header.value(QStringLiteral("skriver"));
        found.values.insert(kPrinterKey, QString::number(printer.isEmpty() ? -1 : printers.indexOf(printer)));
    }
    result = found;
    return true;
}

} // namespace Timesetu
