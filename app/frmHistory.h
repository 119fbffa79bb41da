#pragma once
// The History view: the changes Kestrel made to the machine, newest save first, each save with
// its changes; "Undo this save" puts back what was there before, and the export buttons write
// a save, or every save since a day, as a REGEDIT4 file for regedit on a real Windows machine.

#include <QDialog>
#include <functional>

class QDateEdit;
class QPushButton;
class QTreeWidget;

namespace kestrel {

namespace history {
class RecordingMachine;
}

class frmHistory : public QDialog {
    Q_OBJECT
public:
    // reloadPage closes the page shown (with its save prompt) and opens it again, so that it
    // shows what an undo put back.
    frmHistory(history::RecordingMachine& machine, std::function<void()> reloadPage,
               QWidget* parent = nullptr);

    // Reads the history again.
    void refresh();
    // Undoes the save of the selected row; false when a write failed (the user was told).
    bool undoSelected();
    // Writes the selected save, or the saves since the chosen day, to file as REGEDIT4.
    bool exportSelected(const QString& file);
    bool exportSince(const QString& file);

    QTreeWidget* lstHistory = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdExportSince = nullptr;
    QDateEdit* dtpSince = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    qint64 selectedSave() const;
    QString chooseFile();

    history::RecordingMachine& machine_;
    std::function<void()> reloadPage_;
};

// The "History…" button of the main window: added to row's layout (the row above the tree), with
// Ctrl+H on the window; it opens the History view of the current machine.
void addHistoryButton(QWidget* window, QWidget* row, std::function<void()> reloadPage);

// Tells the history which page writes from now on (the form name).
void setHistoryPage(const QString& form);

} // namespace kestrel
