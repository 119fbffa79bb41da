#include "DirListBox.h"

#include "ui/Ansi.h"
#include "ui/StandardIcons.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <utility>
#include <vector>

namespace kestrel {

namespace {

constexpr int PathRole = Qt::UserRole;

bool listFolders(const QString& folder, QStringList& names) {
    std::vector<std::string> raw;
    if (!Machine::hasCurrent() || !Machine::current().listFolders(toAnsi(folder), raw))
        return false;
    // Sorted without regard to case: each name is folded once, not at every comparison.
    std::vector<std::pair<QString, QString>> sorted; // folded, as stored
    sorted.reserve(raw.size());
    for (const auto& name : raw) {
        QString shown = fromAnsi(name);
        QString folded = shown.toCaseFolded();
        sorted.emplace_back(std::move(folded), std::move(shown));
    }
    std::sort(sorted.begin(), sorted.end());
    names.clear();
    names.reserve(qsizetype(sorted.size()));
    for (auto& entry : sorted)
        names << std::move(entry.second);
    return true;
}

QString join(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('\\')) ? folder + name : folder + QLatin1Char('\\') + name;
}

} // namespace

DirListBox::DirListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIndentation(12);
    setUniformRowHeights(true); // a long list is laid out without measuring every row
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* now) {
        if (now)
            emit Click();
    });
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString target = itemPath(item);
        if (target != path_ && setPath(target))
            emit Change();
    });
}

bool DirListBox::setPath(const QString& path) {
    QString text = path.trimmed();
    if (text.size() < 2 || text[1] != QLatin1Char(':') || !text[0].isLetter())
        return false;
    // Walk from the root down, taking each name as the drive spells it.
    QString current = text.left(1).toUpper() + QStringLiteral(":\\");
    QStringList names;
    if (!listFolders(current, names))
        return false;
    QList<QString> chain{current};
    QList<QStringList> levels{names};
    const QStringList parts = text.mid(2).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const auto found = std::find_if(names.begin(), names.end(), [&](const QString& name) {
            return name.compare(part, Qt::CaseInsensitive) == 0;
        });
        if (found == names.end())
            return false;
        current = join(current, *found);
        if (!listFolders(current, names))
            return false;
        chain << current;
        levels << names;
    }

    const QSignalBlocker quiet(this);
    clear();
    const QIcon open = standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    for (int i = 0; i < chain.size(); ++i) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        const QString label = i == 0 ? chain[i].left(2).toLower() + QLatin1Char('\\')
                                     : chain[i].mid(chain[i].lastIndexOf(QLatin1Char('\\')) + 1);
        item->setText(0, label);
        item->setIcon(0, open);
        item->setData(0, PathRole, chain[i]);
        item->setExpanded(true);
        parent = item;
    }
    // The subfolders go in at once (one model change, not one per folder); their paths are
    // the open folder's path and their names.
    QList<QTreeWidgetItem*> children;
    children.reserve(levels.last().size());
    for (const QString& name : levels.last()) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, name);
        item->setIcon(0, closed);
        children << item;
    }
    parent->addChildren(children); // the levels were made expanded: no tree walk needed
    setCurrentItem(parent);
    path_ = chain.last();
    return true;
}

QString DirListBox::itemPath(const QTreeWidgetItem* item) const {
    const QVariant path = item->data(0, PathRole);
    if (path.isValid())
        return path.toString();
    return item->parent() ? join(item->parent()->data(0, PathRole).toString(), item->text(0))
                          : QString();
}

QString DirListBox::selectedPath() const {
    const QTreeWidgetItem* item = currentItem();
    return item ? itemPath(item) : path_;
}

bool DirListBox::select(const QString& path) {
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if (itemPath(*it).compare(path, Qt::CaseInsensitive) == 0) {
            setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

void DirListBox::Refresh() {
    if (!path_.isEmpty())
        setPath(path_);
}

} // namespace kestrel
