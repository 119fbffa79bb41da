#pragma once
// Browser domain search: the address templates ("www.%s.com") the browser tries in turn when a
// bare word cannot be found, kept as the numbered values "1", "2", … of the UrlTemplate key.
// The page edits a copy of the list and writes it back on closing when it was changed.

#include "ui/Page.h"

#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kestrel {

class frmSiteFind : public SavingPage {
    Q_OBJECT
public:
    explicit frmSiteFind(QWidget* parent = nullptr);

    void Form_Load() override;

    // Values are numbered from 1; the counter that numbers them stops here.
    static constexpr int MaxTemplates = 254;

protected:
    void Form_Resize() override;
    void save() override { SaveTemplates(); }

private:
    void cmdadd_Click();
    void cmdDel_Click();
    void slst_Click();

    void LoadTemplates();
    void SaveTemplates();
    void ClearTemplates();

    QListWidget* slst;
    QCheckBox* chkwww;
    QLineEdit* txtwww;
    QLineEdit* Text2;
    QLineEdit* txtDomen;
    QPushButton* cmdadd;
    QPushButton* cmdDel;
    QLabel* lblHelp;

    std::int16_t SelIndex = 0;
};

} // namespace kestrel
