#pragma once
// A drop-down of the machine's drive letters, like a Windows drive list box. The chosen drive is
// reported as "c:".

#include <QComboBox>

namespace kestrel {

class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // Reads the machine's drive letters again, keeping the chosen drive while it still exists.
    void Refresh();
    // The chosen drive, "c:"; empty when the machine has no drives at all.
    QString Drive() const;
    // Chooses the drive of a text that starts with a drive letter ("d:", "D:\Work"). False when
    // the machine has no such drive; the choice is then unchanged.
    bool setDrive(const QString& drive);

    // The list is read again each time it drops down, so letters mapped meanwhile show up.
    void showPopup() override;

signals:
    // Another drive was chosen, by the user or by setDrive.
    void Change();
};

} // namespace kestrel
