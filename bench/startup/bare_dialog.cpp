// A bare Qt dialog with the widgets of a census file ("Class count" lines), shown once: the
// yardstick for the program's start-up. Plain Qt classes stand in for the program's own.
//   startup_bare_dialog CENSUS_FILE [--printers]
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

namespace {

QWidget *make(const QString &cls, QWidget *parent)
{
    if (cls == QLatin1String("QLabel"))
        return new QLabel(QStringLiteral("Tekst"), parent);
    if (cls == QLatin1String("QLineEdit") || cls == QLatin1String("MaskedTimeEdit"))
        return new QLineEdit(parent);
    if (cls == QLatin1String("QCheckBox"))
        return new QCheckBox(QStringLiteral("Valg"), parent);
    if (cls == QLatin1String("QRadioButton"))
        return new QRadioButton(QStringLiteral("Valg"), parent);
    if (cls == QLatin1String("QComboBox")) {
        auto *c = new QComboBox(parent);
        c->setEditable(true);
        c->addItems({QStringLiteral("a"), QStringLiteral("b")});
        return c;
    }
    if (cls == QLatin1String("QSpinBox"))
        return new QSpinBox(parent);
    if (cls == QLatin1String("QPlainTextEdit"))
        return new QPlainTextEdit(parent);
    if (cls == QLatin1String("QPushButton"))
        return new QPushButton(QStringLiteral("Knapp"), parent);
    if (cls == QLatin1String("QToolButton"))
        return new QToolButton(parent);
    if (cls == QLatin1String("QGroupBox"))
        return new QGroupBox(QStringLiteral("Gruppe"), parent);
    if (cls == QLatin1String("QFrame"))
        return new QFrame(parent);
    if (cls == QLatin1String("QTabWidget")) {
        auto *t = new QTabWidget(parent);
        t->addTab(new QWidget, QStringLiteral("Side"));
        return t;
    }
    return new QWidget(parent);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CENSUS_FILE [--printers]\n", argv[0]);
        return 2;
    }
    QFile census(QString::fromLocal8Bit(argv[1]));
    if (!census.open(QIODevice::ReadOnly | QIODevice::Text))
        return 2;
    QDialog dialog;
    dialog.setFixedSize(619, 346);
    int made = 0;
    while (!census.atEnd()) {
        const QList<QByteArray> parts = census.readLine().trimmed().split(' ');
        if (parts.size() != 2)
            continue;
        for (int i = 0; i < parts[1].toInt(); ++i) {
            QWidget *w = make(QString::fromLatin1(parts[0]), &dialog);
            w->setGeometry((made % 8) * 75, (made / 8 % 13) * 26, 70, 22);
            ++made;
        }
    }
    // With --printers also the spooler's printer list, which the settings dialog asks for on show.
    if (argc > 2 && QByteArray(argv[2]) == "--printers")
        (void)QPrinterInfo::availablePrinterNames();
    dialog.show();
    // Left as the program leaves it: exit() after the first turn of the event loop, which paints the
    // dialog. quit() would close the dialog first, and a closed dialog is never painted.
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
