#pragma once
// The clock text page: the two day-half designators of the user's regional settings ("s1159"
// for times before noon, "s2359" from noon) used as free texts, and a 24-hour time format that
// puts the text left of the time, right of it or on both sides. A live preview shows the result;
// Apply writes the three values after a confirmation. Closing the page writes nothing.

#include "ui/Page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kestrel {

class frmClockText : public Page {
    Q_OBJECT
public:
    explicit frmClockText(QWidget* parent = nullptr);

    void Form_Load() override;

    // The format Apply writes as "sTimeFormat".
    const QString& timeFormat() const { return TimeFormat; }

private:
    void txtAM_Change();
    void txtPM_Change();
    void chkOne_Click();
    // Selecting an option: its format becomes the one Apply writes.
    void opt_Click(const QString& format);
    void cmdAP_Click();
    void Preview();

    QLabel* lblAM;
    QLineEdit* txtAM;
    QLabel* lblPM;
    QLineEdit* txtPM;
    QCheckBox* chkOne;
    QLabel* lblPos;
    QRadioButton* optL;
    QRadioButton* optS;
    QRadioButton* optR;
    QLabel* lblP;
    QLabel* lbl1;
    QLabel* lbl2;
    QPushButton* cmdAP;
    QLabel* lblHLP;

    QString TimeFormat;
};

} // namespace kestrel
