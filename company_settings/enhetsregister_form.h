#pragma once
// "Enhetsregisteret": what the register says beside what the fields of "&Firma" hold, row by row,
// each with a check box; "Bruk opplysningene" puts the checked values into the fields as if typed.
#include <QDialog>
#include <QList>
#include <QString>

#include "company_settings/enhetsregister.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class TOppsettDialog;

class TEnhetsregisterForm : public QDialog {
    Q_OBJECT
public:
    TEnhetsregisterForm(TOppsettDialog *dialog, const QString &digits, const enhetsregister::Unit &unit);
    ~TEnhetsregisterForm() override;

    QLabel *Overskrift = nullptr;
    QTreeWidget *Opplysninger = nullptr;  // one row a field: caption, the register's value, the field's
    QLabel *Merknad = nullptr;
    QPushButton *BrukBtn = nullptr, *AvbrytBtn = nullptr;

private:
    // One row: the fields it fills and the register's value for each (an empty one is never put in).
    struct Row {
        QString caption;
        QList<QLineEdit *> fields;
        QStringList values;
    };
    void BrukBtnClick();

    QList<Row> rows_;
};

namespace enhetsregister {
// "Slå &opp": asks the register for the number in "Org.nr." and offers what it says.
void lookUp(TOppsettDialog *dialog);
} // namespace enhetsregister
