#include "frmHistory.h"

#include "PageTable.h"
#include "frmTR.h"
#include "platform/history/Places.h"
#include "platform/history/RecordingMachine.h"
#include "resources/Catalogue.h"
#include "ui/Module.h"

#include <QDateEdit>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLayout>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrel {

namespace {

// The caption of the tree node that opens a form ("Start Menu" for frmPusk), as the user knows
// the page; the form's name when no node opens it.
QString pageCaption(const std::string& form) {
    for (const PageRow& page : pageTable()) {
        if (form != page.form)
            continue;
        for (const NodeRow& node : nodeTable())
            if (std::string_view(node.key) == page.key)
                return node.textId ? LoadResString(node.textId) : QString::fromUtf8(node.literal);
    }
    return QString::fromStdString(form);
}

constexpr int SaveRole = Qt::UserRole;

history::RecordingMachine* recordingMachine() {
    return Machine::hasCurrent() ? dynamic_cast<history::RecordingMachine*>(&Machine::current())
                                 : nullptr;
}

QString changeText(const history::Change& c) {
    using history::ChangeKind;
    switch (c.kind) {
    case ChangeKind::Value:
        return LoadResString(!c.oldExists ? 1010 : c.newExists ? 1011 : 1012);
    case ChangeKind::Key:
        return LoadResString(c.newExists ? 1013 : 1014);
    case ChangeKind::File:
        return LoadResString(!c.newExists ? 1027 : c.oldExists ? 1015 : 1016);
    case ChangeKind::Attributes:
        return LoadResString(1017);
    case ChangeKind::Drive:
        return LoadResString(c.newExists ? 1018 : 1019);
    }
    return {};
}

// Names and paths are in the machine's ANSI code page.
QString fromAnsi(const std::string& text) {
    return QString::fromStdWString(std::wstring(text.begin(), text.end()));
}

} // namespace

frmHistory::frmHistory(history::RecordingMachine& machine, std::function<void()> reloadPage,
                       QWidget* parent)
    : QDialog(parent), machine_(machine), reloadPage_(std::move(reloadPage)) {
    setWindowTitle(LoadResString(1001).arg(QString::fromStdString(machine.description())));
    lstHistory = new QTreeWidget(this);
    lstHistory->setColumnCount(3);
    lstHistory->setHeaderLabels({LoadResString(1002), LoadResString(1003), LoadResString(1004)});
    lstHistory->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lstHistory->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    cmdUndo = new QPushButton(LoadResString(1005), this);
    cmdExport = new QPushButton(LoadResString(1006), this);
    cmdExportSince = new QPushButton(LoadResString(1007), this);
    dtpSince = new QDateEdit(QDate::currentDate(), this);
    dtpSince->setCalendarPopup(true);
    cmdClose = new QPushButton(LoadResString(1008), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdUndo);
    buttons->addWidget(cmdExport);
    buttons->addSpacing(12);
    buttons->addWidget(cmdExportSince);
    buttons->addWidget(dtpSince);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* column = new QVBoxLayout(this);
    column->addWidget(lstHistory, 1);
    column->addLayout(buttons);

    connect(cmdUndo, &QPushButton::clicked, this, [this] { undoSelected(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] {
        if (const QString file = chooseFile(); !file.isEmpty())
            exportSelected(file);
    });
    connect(cmdExportSince, &QPushButton::clicked, this, [this] {
        if (const QString file = chooseFile(); !file.isEmpty())
            exportSince(file);
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstHistory, &QTreeWidget::currentItemChanged, this, [this] {
        cmdUndo->setEnabled(selectedSave() != 0);
        cmdExport->setEnabled(selectedSave() != 0);
    });
    resize(760, 480);
    refresh();
}

void frmHistory::refresh() {
    lstHistory->clear();
    for (const auto& save : machine_.store().saves()) {
        auto* top = new QTreeWidgetItem(lstHistory);
        top->setData(0, SaveRole, qint64(save.id));
        top->setText(0, QDateTime::fromSecsSinceEpoch(save.time).toString(
                            QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        top->setText(1,
                     save.undoes ? LoadResString(1020).arg(save.undoes) : pageCaption(save.page));
        top->setText(2, LoadResString(1009).arg(save.changes.size()));
        for (const auto& change : save.changes) {
            auto* row = new QTreeWidgetItem(top);
            row->setData(0, SaveRole, qint64(save.id));
            // The value's name first: the key paths are long and alike.
            QString where = fromAnsi(change.place);
            if (change.kind == history::ChangeKind::Value)
                where = (change.name.empty() ? QStringLiteral("@") : fromAnsi(change.name)) +
                        QStringLiteral("  ") + where;
            row->setText(1, changeText(change));
            row->setText(2, where);
            row->setToolTip(2, where);
        }
    }
    if (lstHistory->topLevelItemCount() > 0) {
        lstHistory->topLevelItem(0)->setExpanded(true);
        lstHistory->setCurrentItem(lstHistory->topLevelItem(0));
    }
    cmdUndo->setEnabled(selectedSave() != 0);
    cmdExport->setEnabled(selectedSave() != 0);
}

qint64 frmHistory::selectedSave() const {
    const QTreeWidgetItem* item = lstHistory->currentItem();
    return item ? item->data(0, SaveRole).toLongLong() : 0;
}

bool frmHistory::undoSelected() {
    const qint64 id = selectedSave();
    if (id == 0)
        return false;
    // The page shown closes first (it may still hold unsaved changes and would write them over
    // what the undo puts back), and opens again after, showing the restored settings.
    if (reloadPage_)
        reloadPage_();
    std::string error;
    const bool done = machine_.undo(id, error);
    if (reloadPage_)
        reloadPage_();
    refresh();
    if (!done)
        ShowMessage(LoadResString(1023).arg(QString::fromStdString(error)), MessageIcon::Critical);
    return done;
}

QString frmHistory::chooseFile() {
    const QString filter = DialogBox::qtFilter(LoadResString(1021));
    return QFileDialog::getSaveFileName(this, LoadResString(1022), QStringLiteral("kestrel.reg"),
                                        filter);
}

namespace {
bool writeReg(const QString& file, const std::vector<history::Save>& oldestFirst) {
    QSaveFile out(file);
    const std::string text = history::exportRegedit4(oldestFirst);
    if (out.open(QIODevice::WriteOnly) &&
        out.write(text.data(), qint64(text.size())) == qint64(text.size()) && out.commit())
        return true;
    ShowMessage(LoadResString(1025).arg(file), MessageIcon::Critical);
    return false;
}
} // namespace

bool frmHistory::exportSelected(const QString& file) {
    history::Save save;
    if (!machine_.store().save(selectedSave(), save))
        return false;
    return writeReg(file, {save});
}

bool frmHistory::exportSince(const QString& file) {
    const qint64 since = QDateTime(dtpSince->date(), QTime(0, 0)).toSecsSinceEpoch();
    auto saves = machine_.store().saves(0, since);
    if (saves.empty()) {
        ShowMessage(LoadResString(1026));
        return false;
    }
    std::reverse(saves.begin(), saves.end());
    return writeReg(file, saves);
}

void addHistoryButton(QWidget* window, QWidget* row, std::function<void()> reloadPage) {
    // Modal: the machine it shows cannot be switched away under it.
    auto open = [window, reloadPage] {
        history::RecordingMachine* machine = recordingMachine();
        if (!machine) {
            ShowMessage(LoadResString(1024));
            return;
        }
        frmHistory dialog(*machine, reloadPage, window);
        dialog.exec();
    };
    if (row && row->layout()) {
        auto* button = new QToolButton(row);
        button->setObjectName(QStringLiteral("cmdHistory"));
        button->setText(LoadResString(1000));
        // In the tab order right after what the row holds, before the tree.
        QWidget* before = nullptr;
        for (int i = 0; i < row->layout()->count(); ++i)
            if (QWidget* w = row->layout()->itemAt(i)->widget();
                w && w->focusPolicy() != Qt::NoFocus)
                before = w;
        row->layout()->addWidget(button);
        if (before)
            QWidget::setTabOrder(before, button);
        QObject::connect(button, &QToolButton::clicked, window, open);
    }
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), window);
    QObject::connect(shortcut, &QShortcut::activated, window, open);
}

void setHistoryPage(const QString& form) {
    if (history::RecordingMachine* machine = recordingMachine())
        machine->setPage(form.toStdString());
}

} // namespace kestrel
