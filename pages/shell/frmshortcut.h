#pragma once
// The shortcuts page: the text Windows puts before the name of every new shortcut (the binary
// value "link" of the shell's Explorer key, for the current user and the default profile) and
// the arrow drawn over shortcut icons (the value "IsShortCut" of the classes lnkfile and
// piffile). Apply writes at once; closing a changed page asks and writes on Yes.

#include "ui/Page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class frmshortcut : public SavingPage {
    Q_OBJECT
public:
    explicit frmshortcut(QWidget* parent = nullptr);

    void Form_Load() override;

protected:
    void Form_Resize() override;
    void save() override { Apply(); }

private:
    void chkns_Click();
    void chkni_Click();
    void txtShortCut_Change();
    void btnApply_Click();
    void Apply();

    QLabel* lbltxt;
    QLineEdit* txtShortCut;
    QCheckBox* chkns;
    QCheckBox* chkni;
    QPushButton* btnApply;
};

} // namespace kestrel
