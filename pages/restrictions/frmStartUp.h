#pragma once
// The logon message page: the title and text of the notice Windows shows before the logon
// dialog, "LegalNoticeCaption" and "LegalNoticeText" of the Winlogon key. Ticking chkYN turns
// the notice on (both values written on saving); unticking turns it off (both deleted).

#include "ui/Page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestrel {

class frmStartUp : public SavingPage {
    Q_OBJECT
public:
    explicit frmStartUp(QWidget* parent = nullptr);

    void Form_Load() override;

    QCheckBox* chkYN() const { return chkYN_; }
    QLineEdit* txtTitle() const { return txtTitle_; }
    QPlainTextEdit* txtText() const { return txtText_; }
    QPushButton* cmdOk() const { return cmdOk_; }
    QLabel* lblHelp() const { return lblHelp_; }

protected:
    void Form_Resize() override;
    void save() override;

private:
    void chkYN_Click();
    void cmdOk_Click();
    QString winlogonKey() const;

    QCheckBox* chkYN_;
    QLabel* lblTitle_;
    QLineEdit* txtTitle_;
    QLabel* lblText_;
    QPlainTextEdit* txtText_;
    QPushButton* cmdOk_;
    QLabel* lblHelp_;
    // The message text as the registry held it when the page loaded.
    QString storedText_;
};

} // namespace kestrel
