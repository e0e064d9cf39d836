#pragma once
// The font choice for the letter header: scalable fonts only, the effects shown, no size or style
// (the header's size and style are the printing programs' own).
#include <QDialog>
#include <QFont>
#include <QString>

class QCheckBox;
class QLabel;
class QListWidget;

class HeaderFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit HeaderFontDialog(const QFont &start, QWidget *parent = nullptr);

    QFont chosenFont() const;

    // Opens on the font chosen last (at first MS Sans Serif, 8 points). True and the family name
    // when the user confirms.
    static bool choose(QWidget *parent, QString &family);
    // The font the next choice opens on (tests).
    static QFont &lastFont();

    QListWidget *FontList = nullptr;
    QCheckBox *Gjennomstreking = nullptr;
    QCheckBox *Understreking = nullptr;
    QLabel *Eksempel = nullptr;

private:
    void updateSample();
    QFont start_;
};
