#pragma once
// Drive icons page: the icon the shell shows for one drive letter, the default value of that
// letter's DefaultIcon key under DriveIcons.

#include "ui/Page.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class DriveListBox;

class frmDrvIco : public Page {
    Q_OBJECT
public:
    explicit frmDrvIco(QWidget* parent = nullptr);

    void Form_Load() override;

    // The DefaultIcon key of a drive letter ("d:" → …\DriveIcons\D\DefaultIcon).
    static QString driveIconKey(const QString& drive);

protected:
    void Form_Resize() override;

private slots:
    void Drv_Change();
    void cmdbrowse_Click();
    void cmdAP_Click();

private:
    QLabel* lblCDrv;
    DriveListBox* Drv;
    QLabel* lblCIco;
    QLineEdit* txtIcoP;
    QPushButton* cmdbrowse;
    QLabel* lblHelp;
    QPushButton* cmdAP;
};

} // namespace kestrel
