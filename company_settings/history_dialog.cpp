#include "company_settings/history_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "common/ui_hooks.h"
#include "company_settings/backup.h"
#include "company_settings/masked_time_edit.h"
#include "company_settings/oppsett_dialog.h"

namespace {

constexpr int kKeyRole = Qt::UserRole;
// Lines of a standard-text list shown under it at most; the rest are counted.
constexpr qsizetype kLinesShown = 200;

QTreeWidget *tree(QWidget *parent, const char *name, const QStringList &columns)
{
    auto *t = new QTreeWidget(parent);
    t->setObjectName(QLatin1String(name));
    t->setHeaderLabels(columns);
    t->setAllColumnsShowFocus(true);
    t->setUniformRowHeights(true);
    return t;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

THistorikkForm::THistorikkForm(TOppsettDialog *dialog) : QDialog(dialog), dialog_(dialog)
{
    setObjectName(QStringLiteral("HistorikkForm"));
    setWindowTitle(QStringLiteral("Tidligere versjoner"));
    resize(680, 480);

    auto *layout = new QVBoxLayout(this);
    auto *versionsLabel = new QLabel(QStringLiteral("&Versjoner, den nyeste først:"), this);
    Versjoner = tree(this, "Versjoner", {QStringLiteral("Lagret"), QStringLiteral("Av"), QStringLiteral("Forskjeller")});
    Versjoner->setRootIsDecorated(false);
    Versjoner->setColumnWidth(0, 170);
    Versjoner->setColumnWidth(1, 140);
    versionsLabel->setBuddy(Versjoner);
    auto *differencesLabel = new QLabel(QStringLiteral("&Forskjeller fra det som står i vinduet nå:"), this);
    Forskjeller = tree(this, "Forskjeller", {QStringLiteral("Felt"), QStringLiteral("I versjonen"),
                                             QStringLiteral("I vinduet nå")});
    Forskjeller->setColumnWidth(0, 240);
    Forskjeller->setColumnWidth(1, 190);
    differencesLabel->setBuddy(Forskjeller);
    Merknad = new QLabel(this);
    Merknad->setObjectName(QStringLiteral("Merknad"));
    Merknad->setWordWrap(true);
    Merknad->setTextFormat(Qt::PlainText);

    GjenopprettBtn = button(this, "GjenopprettBtn", QStringLiteral("&Gjenopprett"));
    EksporterBtn = button(this, "EksporterBtn", QStringLiteral("&Eksporter..."));
    ImporterBtn = button(this, "ImporterBtn", QStringLiteral("&Importer..."));
    LukkBtn = button(this, "LukkBtn", QStringLiteral("&Lukk"));
    // Enter in the lists brings the selection back; only a button with the focus takes it over.
    GjenopprettBtn->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(EksporterBtn);
    buttons->addWidget(ImporterBtn);
    buttons->addStretch();
    buttons->addWidget(GjenopprettBtn);
    buttons->addWidget(LukkBtn);

    layout->addWidget(versionsLabel);
    layout->addWidget(Versjoner, 2);
    layout->addWidget(differencesLabel);
    layout->addWidget(Forskjeller, 3);
    layout->addWidget(Merknad);
    layout->addLayout(buttons);

    connect(Versjoner, &QTreeWidget::currentItemChanged, this, &THistorikkForm::showDifferences);
    connect(Versjoner, &QTreeWidget::itemDoubleClicked, this, &THistorikkForm::GjenopprettBtnClick);
    connect(Forskjeller, &QTreeWidget::itemChanged, this, &THistorikkForm::updateButtons);
    connect(GjenopprettBtn, &QPushButton::clicked, this, &THistorikkForm::GjenopprettBtnClick);
    connect(EksporterBtn, &QPushButton::clicked, this, &THistorikkForm::EksporterBtnClick);
    connect(ImporterBtn, &QPushButton::clicked, this, &THistorikkForm::ImporterBtnClick);
    connect(LukkBtn, &QPushButton::clicked, this, &QDialog::reject);

    readVersions();
}

THistorikkForm::~THistorikkForm() = default;

THistorikkForm::Entry THistorikkForm::entryFor(const Timesetu::CompanySettings &stored) const
{
    // The field's own reading of a stored time, so that " 7:30" and a trimmed "7:30" are one value.
    MaskedTimeEdit timeField;
    const Timesetu::TimeRule time = [&](const QString &text) {
        timeField.setText(text);
        return timeField.text();
    };
    Entry e;
    e.settings = Timesetu::asLoaded(stored, int(printers_.size()), time);
    e.differences = Timesetu::differences(e.settings, now_, printers_);
    return e;
}

void THistorikkForm::readVersions()
{
    const ui_hooks::BusyPointer busy;
    now_ = dialog_->storedSettings();
    for (int i = 0; i < dialog_->Skriver->count(); ++i)
        printers_ << dialog_->Skriver->itemText(i);
    for (const Timesetu::Version &v : Timesetu::savedVersions(Timesetu::suiteBackupFolder())) {
        Entry e = v.error.isEmpty() ? entryFor(v.settings) : Entry();
        e.saved = v.saved;
        e.user = v.user;
        e.error = v.error;
        addEntry(e, int(entries_.size()))->setToolTip(0, v.folder);
    }
    if (entries_.isEmpty())
        Merknad->setText(QStringLiteral("Ingen tidligere versjoner er lagret ennå. En kopi tas hver gang du trykker "
                                        "\"Ok\" eller \"Bruk\"."));
    if (Versjoner->topLevelItemCount() > 0)
        Versjoner->setCurrentItem(Versjoner->topLevelItem(0));
    showDifferences();
    Versjoner->setFocus();
}

QTreeWidgetItem *THistorikkForm::addEntry(const Entry &entry, int at)
{
    const QString count = entry.error.isEmpty() ? QString::number(entry.differences.size())
                                                : QStringLiteral("Kan ikke leses");
    auto *item = new QTreeWidgetItem(QStringList{entry.saved, entry.user, count});
    Versjoner->insertTopLevelItem(at, item);
    entries_.insert(at, entry);
    return item;
}

const THistorikkForm::Entry *THistorikkForm::current() const
{
    const int row = Versjoner->indexOfTopLevelItem(Versjoner->currentItem());
    return row >= 0 && row < entries_.size() ? &entries_[row] : nullptr;
}

void THistorikkForm::showDifferences()
{
    const QSignalBlocker block(Forskjeller);
    Forskjeller->clear();
    const Entry *e = current();
    Forskjeller->headerItem()->setText(1, e && e->imported ? QStringLiteral("I filen") : QStringLiteral("I versjonen"));
    if (!e) {
        updateButtons();
        return;
    }
    if (!e->error.isEmpty()) {
        Merknad->setText(QStringLiteral("Denne versjonen kan ikke leses og kan ikke gjenopprettes: ") + e->error);
    } else if (e->differences.isEmpty()) {
        Merknad->setText(QStringLiteral("Ingen forskjeller fra det som står i vinduet nå."));
    } else {
        Merknad->setText(QStringLiteral("Kryss av det du vil hente tilbake, og trykk \"Gjenopprett\". Ingenting lagres "
                                        "før du trykker \"Ok\" eller \"Bruk\"."));
    }
    QTreeWidgetItem *page = nullptr;
    for (const Timesetu::Difference &d : e->differences) {
        if (!page || page->text(0) != d.page) {
            page = new QTreeWidgetItem(Forskjeller, QStringList{d.page});
            QFont bold = page->font(0);
            bold.setBold(true);
            page->setFont(0, bold);
            page->setFlags(Qt::ItemIsEnabled);
            page->setExpanded(true);
        }
        auto *item = new QTreeWidgetItem(page, QStringList{d.field, d.then, d.now});
        item->setData(0, kKeyRole, d.key);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
        item->setToolTip(1, d.then);
        item->setToolTip(2, d.now);
        if (!d.texts)
            continue;
        qsizetype listed = 0;
        auto line = [&](const QString &then, const QString &now) {
            auto *l = new QTreeWidgetItem(item, QStringList{QStringLiteral("linje"), then, now});
            l->setFlags(Qt::ItemIsEnabled);
        };
        for (const QString &removed : d.removed) {
            if (listed++ < kLinesShown)
                line(removed, QString());
        }
        for (const QString &added : d.added) {
            if (listed++ < kLinesShown)
                line(QString(), added);
        }
        if (listed > kLinesShown)
            line(QStringLiteral("... og %1 linjer til").arg(listed - kLinesShown), QString());
        if (listed == 0)
            (new QTreeWidgetItem(item, {QStringLiteral("de samme linjene i en annen rekkefølge")}))->setFlags(Qt::ItemIsEnabled);
        item->setExpanded(true);
    }
    updateButtons();
}

void THistorikkForm::updateButtons()
{
    bool anyChecked = false;
    for (QTreeWidgetItemIterator it(Forskjeller); *it; ++it)
        anyChecked = anyChecked || (((*it)->flags() & Qt::ItemIsUserCheckable) && (*it)->checkState(0) == Qt::Checked);
    GjenopprettBtn->setEnabled(anyChecked);
}

void THistorikkForm::GjenopprettBtnClick()
{
    const Entry *e = current();
    if (!e || !e->error.isEmpty() || !GjenopprettBtn->isEnabled())
        return;
    QStringList keys;
    for (QTreeWidgetItemIterator it(Forskjeller); *it; ++it) {
        if (((*it)->flags() & Qt::ItemIsUserCheckable) && (*it)->checkState(0) == Qt::Checked)
            keys << (*it)->data(0, kKeyRole).toString();
    }
    dialog_->showSettings(Timesetu::chosen(e->settings, keys));
    accept();
}

void THistorikkForm::EksporterBtnClick()
{
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        + QStringLiteral("/firmaoppsett.ini");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Eksporter firmaoppsettet"), start,
                                                      QStringLiteral("Oppsettfiler (*.ini);;Alle filer (*)"));
    if (path.isEmpty())
        return;
    QString error;
    bool written = false;
    {
        const ui_hooks::BusyPointer busy;
        written = Timesetu::writeExport(path, dialog_->storedSettings(), printers_, &error);
    }
    if (!written) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Eksporter"), error, QMessageBox::Ok, this);
        box.exec();
        return;
    }
    Merknad->setText(QStringLiteral("Innstillingene i vinduet er eksportert til ") + QDir::toNativeSeparators(path));
}

void THistorikkForm::ImporterBtnClick()
{
    const QString start = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Importer firmaoppsett"), start,
                                                      QStringLiteral("Oppsettfiler (*.ini);;Alle filer (*)"));
    if (path.isEmpty())
        return;
    Timesetu::CompanySettings stored;
    QString error;
    bool read = false;
    Entry e;
    {
        const ui_hooks::BusyPointer busy;
        read = Timesetu::readExport(QDir::toNativeSeparators(path), printers_, stored, &error);
        if (read)
            e = entryFor(stored);
    }
    if (!read) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Importer"), error, QMessageBox::Ok, this);
        box.exec();
        return;
    }
    e.saved = QStringLiteral("Fil: ") + QFileInfo(path).fileName();
    e.imported = true;
    QTreeWidgetItem *item = addEntry(e, 0);
    item->setToolTip(0, QDir::toNativeSeparators(path));
    Versjoner->setCurrentItem(item);
    Versjoner->setFocus();
}

namespace Timesetu {

void showHistory(TOppsettDialog *dialog)
{
    THistorikkForm form(dialog);
    form.exec();
}

} // namespace Timesetu
