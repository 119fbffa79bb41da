#pragma once
// Automount page: the profiles (drive letter + folder) that the launcher kstSubst maps at every
// start of Windows, kept in kstSubst.ini in the system directory, and the launcher's start-up
// entry.

#include "ui/Page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class frmVHDDrun : public Page {
    Q_OBJECT
public:
    explicit frmVHDDrun(QWidget* parent = nullptr);

    void Form_Load() override;

    static const QString RunKey;
    static const QString RunValue;

private:
    void chkAutorun_Click();
    void cboD_Click();
    void btnN_Click();
    void btnS_Click();
    void btnsN_Click();
    void btnC_Click();
    void btnD_Click();

    bool in_list(const QString& sil) const;
    void FillFreeLetters();
    void LoadProfiles();
    void SaveProfiles();
    void showEditor(bool editing);
    void selectFirstProfile();
    // A message for a path that the profile file could not hold; empty when it is fine.
    static QString pathProblem(const QString& path);

    QString ProfileFile;
    bool EditMode = false;
    qint16 CurProfile = 0;

    QCheckBox* chkAutorun;
    QGroupBox* frameO;
    QLabel* Label1;
    QComboBox* cboD;
    QLabel* Label2;
    QLineEdit* txtP;
    QPushButton* btnN;
    QPushButton* btnS;
    QPushButton* btnD;
    QComboBox* cboP;
    QGroupBox* FrameN;
    QLabel* Label3;
    QComboBox* cbodN;
    QLabel* Label4;
    QLineEdit* txtpN;
    QPushButton* btnsN;
    QPushButton* btnC;
};

} // namespace kestrel
