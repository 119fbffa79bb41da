#pragma once
// The context menu editor: the commands the shell shows in the right-click menu of every file
// ("*\Shell") or of the files of one extension. Each command is a key under HKEY_CLASSES_ROOT
// whose default value is the menu text and whose "command" subkey holds the command line. Add,
// Edit and Delete write at once after a confirmation; closing the page writes nothing.

#include "ui/Page.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace kestrel {

class frmConFileMenu : public Page {
    Q_OBJECT
public:
    explicit frmConFileMenu(QWidget* parent = nullptr);

    void Form_Load() override;

    // The shell key of the current scope, relative to HKEY_CLASSES_ROOT.
    const QString& curPath() const { return CurPath; }
    // The index of the item last clicked.
    int curIndex() const { return CurIndex; }

protected:
    void Form_Resize() override;

private:
    void OptAF_Click();
    void OptOF_Click();
    void txtExt_Change();
    void cmdfind_Click();
    void lstMenu_Click();
    void cmdadd_Click();
    void cmdEdit_Click();
    void cmdDel_Click();

    void EnableButtons(bool enabled);
    void RefreshList();
    void FillList(const QString& path);

    // The shell key for the scope shown now; an extension whose type cannot be read counts as
    // one with an empty type.
    QString shellKey() const;
    // The list entry at CurIndex; empty when CurIndex is past the end of the list.
    QString entryAtCurIndex() const;
    void clearFields();
    // Writes Caption and Command under CurPath\name.
    void writeItem(const QString& name);
    // Removes CurPath\name with everything below it.
    void deleteItem(const QString& name);

    QListWidget* lstMenu;
    QRadioButton* OptAF;
    QRadioButton* OptOF;
    QLabel* lblExt;
    QLineEdit* txtExt;
    QPushButton* cmdfind;
    QLabel* lblName;
    QLineEdit* txtCaption;
    QLabel* lblCap;
    QLineEdit* txtSub;
    QLabel* lblCmd;
    QLineEdit* txtCmd;
    QPushButton* cmdadd;
    QPushButton* cmdEdit;
    QPushButton* cmdDel;
    QLabel* lblHelp;

    QString CurPath;
    int CurIndex = 0;
};

} // namespace kestrel
