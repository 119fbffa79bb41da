#pragma once
// The folders of one drive, like a Windows directory list box: the path from the root down to
// the open folder, each level indented, then the open folder's subfolders. Clicking an entry
// highlights it; double-clicking (or Enter) opens it. Paths are DOS paths ("C:\Work", "C:\").

#include <QTreeWidget>

namespace kestrel {

class DirListBox : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);

    // The open folder.
    QString Path() const { return path_; }
    // Opens a folder ("d:" means the root of D:). Names are matched without regard to case and
    // shown as the drive stores them. False, with nothing changed, when the folder cannot be
    // listed (a missing folder, or a drive that is not ready).
    bool setPath(const QString& path);
    // The full path of the highlighted entry; the open folder when no entry is highlighted.
    QString selectedPath() const;
    // Highlights the entry of this path (one of the shown entries); false when it is not shown.
    bool select(const QString& path);
    // Lists the open folder again (after folders were made or removed).
    void Refresh();

signals:
    // The user highlighted another entry.
    void Click();
    // The open folder changed.
    void Change();

protected:
    // Entries are indented like a list, without the tree's expand marks.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    QString itemPath(const QTreeWidgetItem* item) const;

    QString path_;
};

} // namespace kestrel
