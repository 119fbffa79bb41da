#pragma once
// Browser interface page: the browser's window title, the version text of its About box and the
// picture behind its toolbars. Apply writes each of the three texts to both the machine-wide and
// the per-user copy; closing the page writes nothing.

#include "ui/Page.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class frmIETB : public Page {
    Q_OBJECT
public:
    explicit frmIETB(QWidget* parent = nullptr);

    void Form_Load() override;

protected:
    void Form_Resize() override;

private:
    void cmdbrowse_Click();
    void cmdAP_Click();

    QLabel* lblDC;
    QLineEdit* txtDC;
    QLabel* lblVer;
    QLineEdit* txtVer;
    QLabel* lblTBI;
    QLineEdit* txtTBI;
    QPushButton* cmdbrowse;
    QPushButton* cmdAP;
};

} // namespace kestrel
