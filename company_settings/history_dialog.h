#pragma once
// "Tidligere versjoner": the saved versions of the company settings with what differs from the
// settings dialog now, brought back into its fields field by field; export to and import from a file.
// Built only when the user asks for it.
#include <QDialog>
#include <QList>
#include <QString>

#include "company_settings/versions.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TOppsettDialog;

class THistorikkForm : public QDialog {
    Q_OBJECT
public:
    explicit THistorikkForm(TOppsettDialog *dialog);
    ~THistorikkForm() override;

    QTreeWidget *Versjoner = nullptr;    // the versions, newest first
    QTreeWidget *Forskjeller = nullptr;  // the selected version's differences, each with a check box
    QLabel *Merknad = nullptr;           // what the user should know about the selection
    QPushButton *GjenopprettBtn = nullptr, *EksporterBtn = nullptr, *ImporterBtn = nullptr, *LukkBtn = nullptr;

private:
    struct Entry {
        QString saved, user;
        QString error;                       // why it cannot be brought back
        Timesetu::CompanySettings settings;  // as a save would store them
        QList<Timesetu::Difference> differences;
        bool imported = false;
    };

    void readVersions();
    QTreeWidgetItem *addEntry(const Entry &entry, int at);
    Entry entryFor(const Timesetu::CompanySettings &stored) const;
    void showDifferences();
    void updateButtons();
    void GjenopprettBtnClick();
    void EksporterBtnClick();
    void ImporterBtnClick();
    const Entry *current() const;

    TOppsettDialog *dialog_;
    Timesetu::CompanySettings now_;
    QStringList printers_;
    QList<Entry> entries_;  // in the list's order
};

namespace Timesetu {
// Shows "Tidligere versjoner" over the dialog, modal.
void showHistory(TOppsettDialog *dialog);
} // namespace Timesetu
