#include "company_settings/header_font_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

HeaderFontDialog::HeaderFontDialog(const QFont &start, QWidget *parent) : QDialog(parent), start_(start)
{
    setObjectName(QStringLiteral("HeaderFontDialog"));
    setWindowTitle(QStringLiteral("Skrift"));

    FontList = new QListWidget(this);
    FontList->setObjectName(QStringLiteral("FontList"));
    for (const QString &family : QFontDatabase::families()) {
        if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family))
            FontList->addItem(family);
    }
    // The start font as named, else the face it resolves to here.
    QList<QListWidgetItem *> match = FontList->findItems(start.family(), Qt::MatchFixedString);
    if (match.isEmpty())
        match = FontList->findItems(QFontInfo(start).family(), Qt::MatchFixedString);
    if (!match.isEmpty()) {
        FontList->setCurrentItem(match.first());
        FontList->scrollToItem(match.first());
    }

    auto *effects = new QGroupBox(QStringLiteral("Effekter"), this);
    Gjennomstreking = new QCheckBox(QStringLiteral("&Gjennomstreking"), effects);
    Gjennomstreking->setObjectName(QStringLiteral("Gjennomstreking"));
    Gjennomstreking->setChecked(start.strikeOut());
    Understreking = new QCheckBox(QStringLiteral("&Understreking"), effects);
    Understreking->setObjectName(QStringLiteral("Understreking"));
    Understreking->setChecked(start.underline());
    auto *effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(Gjennomstreking);
    effectsLayout->addWidget(Understreking);

    auto *sampleBox = new QGroupBox(QStringLiteral("Eksempel"), this);
    Eksempel = new QLabel(QStringLiteral("AaBbÆæØøÅå"), sampleBox);
    Eksempel->setObjectName(QStringLiteral("Eksempel"));
    Eksempel->setAlignment(Qt::AlignCenter);
    Eksempel->setMinimumSize(180, 50);
    auto *sampleLayout = new QVBoxLayout(sampleBox);
    sampleLayout->addWidget(Eksempel);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("O&k"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("OkKnapp"));
    buttons->addButton(QStringLiteral("&Avbryt"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("AvbrytKnapp"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *right = new QVBoxLayout;
    right->addWidget(effects);
    right->addWidget(sampleBox);
    right->addStretch();
    right->addWidget(buttons);
    auto *top = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Skrift:"), this));
    left->addWidget(FontList);
    top->addLayout(left, 1);
    top->addLayout(right);
    resize(440, 300);

    connect(FontList, &QListWidget::currentItemChanged, this, &HeaderFontDialog::updateSample);
    connect(FontList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(Gjennomstreking, &QCheckBox::toggled, this, &HeaderFontDialog::updateSample);
    connect(Understreking, &QCheckBox::toggled, this, &HeaderFontDialog::updateSample);
    updateSample();
}

QFont HeaderFontDialog::chosenFont() const
{
    QFont f = start_;
    if (const QListWidgetItem *item = FontList->currentItem())
        f.setFamilies({item->text()});
    f.setStrikeOut(Gjennomstreking->isChecked());
    f.setUnderline(Understreking->isChecked());
    return f;
}

void HeaderFontDialog::updateSample()
{
    QFont f = chosenFont();
    f.setPointSize(14);
    Eksempel->setFont(f);
}

QFont &HeaderFontDialog::lastFont()
{
    static QFont last = [] {
        QFont f(QStringLiteral("MS Sans Serif"));
        f.setPointSize(8);
        return f;
    }();
    return last;
}

bool HeaderFontDialog::choose(QWidget *parent, QString &family)
{
    HeaderFontDialog dialog(lastFont(), parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.FontList->currentItem())
        return false;
    lastFont() = dialog.chosenFont();
    family = dialog.FontList->currentItem()->text();
    return true;
}
