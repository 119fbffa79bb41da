#pragma once
// Folder icon page: gives a folder its own icon through its desktop.ini and the system
// attribute, optionally with a numbered copy of the icon inside the folder, and takes it off.

#include "ui/Page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class DirListBox;
class DriveListBox;

class frmFldIco : public Page {
    Q_OBJECT
public:
    explicit frmFldIco(QWidget* parent = nullptr);

    void Form_Load() override;

    // True exactly when the second character is ':' ("C:\a.ico", "C:a.ico"; not "\\srv\a.ico").
    static bool IsFullPath(const QString& path);

    // What curIco shows: "FOLDER" for the stock icon, else the DOS path of the icon file.
    QString shownIcon() const { return shownIcon_; }

protected:
    void Form_Resize() override;

private slots:
    void Drv_Change();
    void Dir1_Click();
    void cmdbrowse_Click();
    void cdmApply_Click();
    void cmdNoIco_Click();

private:
    void ShowCurrentIcon(const QString& folder);
    void ApplyFolderIcon(const QString& folder);
    void showStockIcon();
    // Loads an icon file into curIco; a file that is not a picture shows the stock icon.
    void showIconFile(const QString& path);
    // The drive of a full path can be read (not an empty floppy or CD drive).
    static bool driveReady(const QString& path);

    DriveListBox* Drv;
    DirListBox* Dir1;
    QLabel* lbl[3];
    QLineEdit* txtIco;
    QPushButton* cmdbrowse;
    QCheckBox* chk;
    QPushButton* cdmApply;
    QPushButton* cmdNoIco;
    QLabel* curIco;
    QString shownIcon_;
};

} // namespace kestrel
