#pragma once
// The navigation window: the tree of pages on the left third of the main window.

#include <QString>
#include <QWidget>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel {

// One node of the navigation tree. The key is what links a node to its page.
struct NodeRow {
    const char* parent; // nullptr for a top-level node
    const char* key;
    int textId;          // catalogue id of the text, or 0 when literal is used
    const char* literal; // a text that is the same in both languages
    const char* image;   // key of the node's picture in the image list
    bool only9x;         // shown only on Windows 95/98/ME
};

// The nodes in the order they are added.
const std::vector<NodeRow>& nodeTable();

// The 16×16 pictures of the tree by image key ("imgWin", "RootDir", …); all 22 keys.
const std::vector<const char*>& imageKeys();
QIcon nodeImage(const QString& imageKey);

class frmTR : public QWidget {
    Q_OBJECT
public:
    explicit frmTR(QWidget* parent = nullptr);

    // Builds the tree: every row of the node table, the Windows 95/98/ME-only rows only there.
    void Form_Load();

    QTreeWidget* TR = nullptr;

    // The node with this key, nullptr when the tree has none.
    QTreeWidgetItem* node(const QString& key) const;
    static QString key(const QTreeWidgetItem* node);
    static QString imageKey(const QTreeWidgetItem* node);

    // Selects the node of the page a page itself opened (an OK button returning to About), without
    // opening anything; the selection then shows where the user is.
    void markNode(const QString& key);

signals:
    // A node was clicked, or the selection moved to it with the keyboard.
    void nodeClick(const QString& key);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void currentChanged(QTreeWidgetItem* current);
    void clicked(QTreeWidgetItem* item);

    // Set when a node was opened by the selection moving to it during the current mouse click,
    // so that the click's own notification does not open it a second time.
    bool openedByPress_ = false;
};

} // namespace kestrel
