#pragma once
// TCP/IP tuning and host names (Windows 95/98/ME). The upper half shows MaxMTU and MaxMSS of one
// network adapter's TCP/IP binding and the default TTL, and writes them, with the TCP receive
// window, when the user applies. The lower half edits the lmhosts file in the Windows directory,
// rewriting it at once after every Add or Delete.

#include "ui/Page.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kestrel {

class frmInetOpti : public Page {
    Q_OBJECT
public:
    explicit frmInetOpti(QWidget* parent = nullptr);

    void Form_Load() override;

    // The adapter number the TCP/IP fields belong to ("0000"), empty when there is none.
    const QString& curAdapter() const { return CurAdapter; }

protected:
    void Form_Resize() override;

private:
    void cbAdap_Click();
    void cmdAP_Click();
    void cmdadd_Click();
    void cmdDel_Click();

    void ListAdapters();
    void LoadHosts();
    void SaveHosts();

    QString adapterKey() const;

    QComboBox* cbAdap;
    QLabel* lblMTU;
    QLineEdit* txtMTU;
    QLabel* lblMSS;
    QLineEdit* txtMSS;
    QLabel* lblTTL;
    QLineEdit* txtTTL;
    QPushButton* cmdAP;
    QLabel* lblH;
    QGroupBox* Frame1;
    std::array<QLineEdit*, 4> ip;
    QLineEdit* txtHost;
    QListWidget* lslHosts;
    QPushButton* cmdadd;
    QPushButton* cmdDel;
    QLabel* lblh2;
    std::array<QLabel*, 3> dots; // the points between the octet fields

    QString CurAdapter;
    // False when lmhosts exists but could not be read: saving the list would lose its entries.
    bool hostsWritable = true;
};

} // namespace kestrel
