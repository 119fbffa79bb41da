#pragma once
// System icons page: lists the icons of the system's shell32.dll with a name for each index it
// knows, shows the icon in effect for the selected index, and replaces it with an icon file or
// restores the library's own through the Shell Icons key.

#include "ui/Page.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kestrel {

class frmShell32 : public Page {
    Q_OBJECT
public:
    explicit frmShell32(QWidget* parent = nullptr);

    void Form_Load() override;

    static const QString ShellIconsKey;

    int selectedIndex() const { return SelIndex; }

protected:
    void Form_Resize() override;

private slots:
    void lstSI_Click();
    void cmdCH_Click();
    void cmdBack_Click();

private:
    void ShowShellIcon();

    QListWidget* lstSI;
    QLabel* picI;
    QPushButton* cmdCH;
    QPushButton* cmdBack;

    QString ShellPath;
    int LastIndex = -1;
    int SelIndex = 0;
    QString ValueName;
};

} // namespace kestrel
