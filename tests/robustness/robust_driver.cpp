// Drives the product's own write paths from a separate process, for the crash, full-disk and
// two-process tests:
//   prepare DIR        cycles A, B, A, B; the files after the last A and B copied to DIR/expect/{A,B}
//   loop DIR           prints "ready", then cycles the other version, then the one, ... until killed
//   fulldisk DIR       one write of each kind onto a full disk; prints what the product reported
//   reader FILE MS     loads FILE in a tight loop for MS milliseconds; every load must be complete
//   writer FILE N      N write-backs of FILE through the settings store, each a new generation
//   write FILE SIZE    replaces FILE by SIZE bytes through the atomic write; prints what it returned
//   steps FILE         reads commands from standard input: load | set SECTION KEY VALUE | save
// A cycle writes, in the product's order: the five side files and the settings file (the dialog's
// save), then the log (the exit's write).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "common/textfile.h"
#include "common/ui_hooks.h"
#include "company_settings/catalogue.h"
#include "company_settings/oppsett_dialog.h"
#include "environment/hs_reg.h"
#include "environment/ini_document.h"
#include "log/textfil.h"
#include "platform/printers.h"
#include "platform/system.h"

namespace {

void say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

struct World {
    QString dir, etc, ini, log, baseLog;
};

World world(const QString &dir)
{
    World w;
    w.dir = dir;
    w.etc = dir + QStringLiteral("/etc/");
    w.ini = w.etc + QStringLiteral("veltrona.ini");
    w.log = dir + QStringLiteral("/log/bruker-oppsett.log");
    w.baseLog = dir + QStringLiteral("/base.log");
    hs_reg::values().etcdir = w.etc;
    hs_reg::values().ininame = w.ini;
    platform::overrideProgramPath(u"/opt/suite/bin/bruker-oppsett");
    platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, 9});
    platform::overrideInstalledPrinters(std::vector<std::u16string>{u"Kontor", u"Lager"});
    textfil::values().LogFile = w.log;
    textfil::values().LogEnabled = true;
    return w;
}

// The files a cycle writes.
QStringList writtenFiles(const World &w)
{
    QStringList files{w.ini, w.log};
    for (const Timesetu::SideFile &f : Timesetu::sideFiles())
        files << Timesetu::sideFilePath(f);
    return files;
}

// Side-file text of about 100 kB whose every line tells the variant.
QStringList memoText(const QString &variant, const QString &name)
{
    QStringList lines;
    for (int i = 0; i < 1500; ++i)
        lines << QStringLiteral("%1 %2 linje %3 ").arg(variant, name).arg(i) + QString(48, variant.at(0));
    return lines;
}

// One cycle: the dialog's save (side files, then settings), then the log's write at exit.
bool cycle(const World &w, TOppsettDialog &d, const QString &variant)
{
    d.bNavn->setText(QStringLiteral("Firma ") + variant);
    for (QPlainTextEdit *memo : {d.Memo, d.SdtTekst, d.StdTekst2, d.Bransjetekst, d.Leveringstekst})
        TOppsettDialog::setMemoLines(memo, memoText(variant, memo->objectName()));
    hs_reg::writestr(QStringLiteral("Variant"), variant);
    if (!d.Skriv())
        return false;
    auto &log = textfil::values();
    log.LogLines.clear();
    if (!log.LogLines.loadFile(w.baseLog))
        return false;
    for (int i = 0; i < 200; ++i)
        textfil::WriteLog(QStringLiteral("variant %1 linje %2").arg(variant).arg(i));
    QString error;
    if (!textfil::finish(&error)) {
        say(QStringLiteral("log write failed: ") + error);
        return false;
    }
    return true;
}

std::unique_ptr<TOppsettDialog> openDialog(const World &w)
{
    hs_reg::openini(w.ini);
    auto d = std::make_unique<TOppsettDialog>();
    d->show();
    return d;
}

int prepare(const QString &dir)
{
    const World w = world(dir);
    auto d = openDialog(w);
    const QStringList files = writtenFiles(w);
    const QStringList variants{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("B")};
    for (int i = 0; i < variants.size(); ++i) {
        QElapsedTimer t;
        t.start();
        if (!cycle(w, *d, variants[i]))
            return 1;
        say(QStringLiteral("cycle %1 ms").arg(t.elapsed()));
        if (i < 2)
            continue;
        const QString out = dir + QStringLiteral("/expect/") + variants[i] + QLatin1Char('/');
        QDir().mkpath(out);
        for (const QString &f : files) {
            if (!QFile::copy(f, out + QFileInfo(f).fileName()))
                return 1;
        }
    }
    return 0;
}

int loop(const QString &dir)
{
    const World w = world(dir);
    auto d = openDialog(w);
    // The first cycle writes the other version, so every cycle changes every file.
    bool a = hs_reg::readstr(QStringLiteral("Variant")) != QLatin1String("A");
    say(QStringLiteral("ready"));
    for (;; a = !a) {
        if (!cycle(w, *d, a ? QStringLiteral("A") : QStringLiteral("B")))
            return 1;
    }
}

// Answers the next message box with OK and prints its text.
void answerNextMessage()
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        say(QStringLiteral("message: ") + box->text());
        box->accept();
    });
    timer->start();
}

int fullDisk(const QString &dir)
{
    const World w = world(dir);
    // The old log read back, as at start-up.
    if (!textfil::values().LogLines.loadFile(w.log))
        say(QStringLiteral("log: cannot read"));
    auto d = openDialog(w);
    // Settings: the store's write-back, as at exit.
    hs_reg::writestr(QStringLiteral("Variant"), QStringLiteral("full"));
    hs_reg::writestr(QStringLiteral("Fyll"), QString(200000, QLatin1Char('x')));
    QString error;
    say(QStringLiteral("settings: ") + (hs_reg::writeBack(&error) ? QStringLiteral("ok") : QStringLiteral("failed ") + error));
    // The side files: the dialog's save, which shows its message and stops.
    for (QPlainTextEdit *memo : {d->Memo, d->SdtTekst, d->StdTekst2, d->Bransjetekst, d->Leveringstekst})
        TOppsettDialog::setMemoLines(memo, memoText(QStringLiteral("F"), memo->objectName()));
    answerNextMessage();
    say(QStringLiteral("dialog save: ") + (d->Skriv() ? QStringLiteral("ok") : QStringLiteral("failed")));
    d.reset();
    // The exit: write-back through the shut-down, then the log.
    hs_reg::shutdown();
    auto &log = textfil::values();
    for (int i = 0; i < 5000; ++i)
        textfil::WriteLog(QStringLiteral("fylt disk linje %1 ").arg(i) + QString(40, QLatin1Char('y')));
    const QStringList lines = log.LogLines.appended();
    for (const QString &l : lines)
        if (l.contains(QLatin1String("INI-CRASH")))
            say(QStringLiteral("logged: ") + l);
    error.clear();
    say(QStringLiteral("log: ") + (textfil::finish(&error) ? QStringLiteral("ok") : QStringLiteral("failed ") + error));
    return 0;
}

// A generation's content: [HEAD] gen and count, [PAYLOAD] count keys whose values carry the
// generation, [TAIL] gen; a load is complete when all of them agree.
constexpr int kPayloadKeys = 4000;

QString payloadValue(int gen, int i)
{
    return QStringLiteral("g%1-k%2-").arg(gen).arg(i) + QString(40, QLatin1Char('p'));
}

// Empty when the document is one whole generation, else what is wrong.
QString checkGeneration(const IniDocument &doc, int *gen)
{
    bool ok = false;
    const int g = doc.value(QStringLiteral("HEAD"), QStringLiteral("gen")).toInt(&ok);
    if (!ok)
        return QStringLiteral("no HEAD gen");
    if (doc.value(QStringLiteral("TAIL"), QStringLiteral("gen")) != QString::number(g))
        return QStringLiteral("TAIL gen %1 under HEAD gen %2").arg(doc.value(QStringLiteral("TAIL"), QStringLiteral("gen"))).arg(g);
    if (doc.value(QStringLiteral("HEAD"), QStringLiteral("count")) != QString::number(kPayloadKeys))
        return QStringLiteral("count %1").arg(doc.value(QStringLiteral("HEAD"), QStringLiteral("count")));
    const QStringList keys = doc.keys(QStringLiteral("PAYLOAD"));
    if (keys.size() != kPayloadKeys)
        return QStringLiteral("%1 payload keys").arg(keys.size());
    for (int i = 0; i < kPayloadKeys; ++i) {
        if (doc.value(QStringLiteral("PAYLOAD"), QStringLiteral("k%1").arg(i)) != payloadValue(g, i))
            return QStringLiteral("payload k%1 not of gen %2").arg(i).arg(g);
    }
    *gen = g;
    return {};
}

int reader(const QString &file, int ms)
{
    QElapsedTimer t;
    t.start();
    int loads = 0, bad = 0, lastGen = -1, generations = 0;
    while (t.elapsed() < ms) {
        IniDocument doc(file);
        QString reason;
        if (!doc.load(&reason)) {
            ++bad;
            say(QStringLiteral("bad load: ") + reason);
            continue;
        }
        ++loads;
        int gen = -1;
        const QString problem = checkGeneration(doc, &gen);
        if (!problem.isEmpty()) {
            if (++bad <= 5)
                say(QStringLiteral("bad content: ") + problem);
        } else if (gen != lastGen) {
            lastGen = gen;
            ++generations;
        }
    }
    say(QStringLiteral("loads %1 bad %2 generations %3").arg(loads).arg(bad).arg(generations));
    return bad == 0 ? 0 : 1;
}

int writer(const QString &file, int count)
{
    platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, 9});
    for (int n = 0; n < count; ++n) {
        hs_reg::openini(file);
        IniDocument *doc = hs_reg::settingsfile();
        int gen = doc->value(QStringLiteral("HEAD"), QStringLiteral("gen")).toInt() + 1;
        // Tail first and head last, so a reader that saw a mix would notice.
        doc->setValue(QStringLiteral("TAIL"), QStringLiteral("gen"), QString::number(gen));
        for (int i = kPayloadKeys - 1; i >= 0; --i)
            doc->setValue(QStringLiteral("PAYLOAD"), QStringLiteral("k%1").arg(i), payloadValue(gen, i));
        doc->setValue(QStringLiteral("HEAD"), QStringLiteral("count"), QString::number(kPayloadKeys));
        doc->setValue(QStringLiteral("HEAD"), QStringLiteral("gen"), QString::number(gen));
        QString error;
        if (!hs_reg::writeBack(&error)) {
            say(QStringLiteral("write-back failed: ") + error);
            return 1;
        }
    }
    say(QStringLiteral("wrote %1").arg(count));
    return 0;
}

// The store driven step by step from standard input, one answer line per command.
int steps(const QString &file)
{
    platform::overrideNow(platform::LocalTime{2026, 12, 7, 14, 5, 9});
    QTextStream in(stdin);
    QString line;
    while (in.readLineInto(&line)) {
        const QStringList w = line.split(QLatin1Char(' '));
        if (w.value(0) == QLatin1String("load")) {
            hs_reg::openini(file);
            say(QStringLiteral("ok"));
        } else if (w.value(0) == QLatin1String("set") && w.size() == 4) {
            hs_reg::setsection(w[1]);
            hs_reg::writestr(w[2], w[3]);
            hs_reg::standardsection();
            say(QStringLiteral("ok"));
        } else if (w.value(0) == QLatin1String("save")) {
            QString error;
            say(hs_reg::writeBack(&error) ? QStringLiteral("ok") : QStringLiteral("failed ") + error);
        } else if (w.value(0) == QLatin1String("quit")) {
            break;
        } else {
            say(QStringLiteral("unknown ") + line);
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1), target = args.value(2);
    if (mode == QLatin1String("prepare"))
        return prepare(target);
    if (mode == QLatin1String("loop"))
        return loop(target);
    if (mode == QLatin1String("fulldisk"))
        return fullDisk(target);
    if (mode == QLatin1String("reader"))
        return reader(target, args.value(3).toInt());
    if (mode == QLatin1String("writer"))
        return writer(target, args.value(3).toInt());
    if (mode == QLatin1String("write")) {
        QString error;
        const bool ok = textfile::writeAtomically(target, QByteArray(args.value(3).toInt(), 'n'), &error);
        say(ok ? QStringLiteral("ok") : QStringLiteral("failed ") + error);
        return 0;
    }
    if (mode == QLatin1String("steps"))
        return steps(target);
    std::fprintf(stderr, "usage: %s prepare|loop|fulldisk DIR | reader FILE MS | writer FILE N | steps FILE\n", argv[0]);
    return 2;
}
