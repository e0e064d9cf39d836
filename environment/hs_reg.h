#pragma once
// The environment unit: command line, settings folder and file, the open settings document and its
// current section, the suite's folder tree, machine and user identity, and the clean-up of
// temporary folders. Folder paths it hands out end in the platform's separator.
#include <QString>
#include <QStringList>
#include <memory>

class IniDocument;

namespace hs_reg {

struct Values {
    QString ininame = QStringLiteral("veltrona.ini");
    QString etcdir = QStringLiteral("../etc/");
    QString ipoverride;
    QString captionoverride;
    QString useroverride;
    bool installrequested = false;
    QString effectiveUser;  // kept by the first call of username()
    QString inisection = QStringLiteral("STANDARD");
    std::unique_ptr<IniDocument> settingsfile;
    // Write-backs' "ADVARSEL: " lines on a changed form, until the log takes lines (at a first start
    // the folder tree is recorded before the log is switched on).
    QStringList formWarnings;
    // The rectangle the question windows centre themselves on.
    int RefVenstre = 0, RefTopp = 0, RefBredde = 0, RefHoyde = 0;
};
Values &values();
// Back to the values at program start, closing the document without writing it (tests).
void reset();

// --- Start-up and shut-down --------------------------------------------------------------------
// Scans the arguments after the program path: exact, case-sensitive option names; a value-taking
// option takes the next argument, which is still examined itself.
void scanCommandLine(const QStringList &arguments);
// The environment start-up: command line, settings folder and file, header, folder records, folder
// tree, log switches, old log, clean-up, start lines.
void startup(const QStringList &arguments);
// The environment shut-down: write-back (unless read-only), exit lines.
void shutdown();

// --- Paths ---------------------------------------------------------------------------------------
QChar separator();
// path with one trailing separator added when it has none (an empty path stays empty).
QString withSeparator(const QString &path);
// A folder name of the suite ("data\docs") as a relative path with the platform's separators.
QString folderNameAsPath(const QString &name);
// APPDATA + "/Veltrona/" (the suite root), formed anew at every call.
QString suiteroot();
// The file exists and is marked read-only.
bool isReadOnlyFile(const QString &path);

// --- Settings store ------------------------------------------------------------------------------
QString readstr(const QString &key);
void writestr(const QString &key, const QString &value);
qint32 readint(const QString &key);
void writeint(const QString &key, qint32 value);
bool readbool(const QString &key);
void writebool(const QString &key, bool value);
void setsection(const QString &name);
void standardsection();
QString inisection();

// Opens the document at path (empty when there is no file) and stamps the INI_SELF header.
void openini(const QString &path);
// Write back, release, open etcdir + username + ".INI". False (no switch) when the write-back failed.
bool openuserini(QString *error = nullptr);
// Write back, release, open ininame again. False (no switch) when the write-back failed.
bool openmainini(QString *error = nullptr);
// Writes the open document to its file. A file marked read-only is refused as the platform would
// refuse it, also where the process could write it anyway. A file read as UTF-8 without a byte-order
// mark is written in the form of a new file, and that is logged once as "ADVARSEL: ...".
bool writeBack(QString *error = nullptr);
// The open document (never null between startup and shutdown).
IniDocument *settingsfile();

// "LOGIN: " + logonname + "  node: " + computername + "." + domainname + " IP:" + ipaddress
QString logintext();
// etcdir + the program's file name with the extension "txt" / "txl".
QString standardtextfile();
QString deliverytextfile();

// --- Folders -------------------------------------------------------------------------------------
QString veltronapath(const QString &name);
void setfolder(const QString &name, const QString &path);
void mkdirsafe(const QString &path);
void installfolders();
QString logfolder();
QString binfolder();
// The 24 folders of the suite tree, parents first.
const QStringList &suitetree();

// --- Identity ------------------------------------------------------------------------------------
QString computername();
QString domainname();
QString ipaddress();
QString spooldirectory();
QString logonname();
QString username();
QString tempdirectory();

// --- Clean-up ------------------------------------------------------------------------------------
void deletetempfiles(bool includeSystem);
void clearfolder(const QString &path);
void deletetree(const QString &folder, const QString &root);

} // namespace hs_reg
