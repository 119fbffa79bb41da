#include "frmTR.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"

#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace kestrel {

namespace {
constexpr int KeyRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
} // namespace

const std::vector<NodeRow>& nodeTable() {
    static const std::vector<NodeRow> rows = {
        {nullptr, "About", 111, nullptr, "imgHlp", false},
        {nullptr, "Windows", 102, nullptr, "RootDir", false},
        {"Windows", "StartUp", 103, nullptr, "imgStart", false},
        {"Windows", "Kestrel", 112, nullptr, "imgAdm", false},
        {"Windows", "StartMenu", 116, nullptr, "imgWin", false},
        {"Windows", "Explorer", 117, nullptr, "imgExpl", false},
        {"Windows", "ActiveDesktop", 119, nullptr, "imgDesk", false},
        {"Windows", "IE", 0, "Internet Explorer", "imgIE", false},
        {"IE", "IERes", 176, nullptr, "imgIE", false},
        {"IE", "IETB", 300, nullptr, "imgIE", false},
        {"Windows", "ControlPanel", 136, nullptr, "ControlPanel", false},
        {"Windows", "Uninstall", 0, "Windows Uninstall", "Uninst", false},
        {nullptr, "GUI", 398, nullptr, "RootDir", false},
        {"GUI", "DrvIco", 164, nullptr, "imgDrvIco", false},
        {"GUI", "FldIco", 115, nullptr, "imgFldIco", false},
        {"GUI", "sysIco", 399, nullptr, "imgIcons", false},
        {"GUI", "FIcon", 350, nullptr, "FIcon", false},
        {"GUI", "MenuItem", 310, nullptr, "imgMenu", false},
        {"GUI", "Short", 386, nullptr, "imgShort", false},
        {nullptr, "Internet", 340, nullptr, "RootDir", false},
        {"Internet", "ieSF", 450, nullptr, "imgSF", false},
        {nullptr, "Other", 114, nullptr, "RootDir", false},
        {"Other", "VHDD", 360, nullptr, "RootDir", false},
        {"VHDD", "Subst", 368, nullptr, "Subst", false},
        {"VHDD", "runSubst", 367, nullptr, "runSubst", false},
        {"Other", "Clock", 337, nullptr, "imgClock", false},
        {"Other", "SysEl", 460, nullptr, "imgSE", false},
        {"Internet", "Optim", 341, nullptr, "imgTel", true},
    };
    return rows;
}

const std::vector<const char*>& imageKeys() {
    static const std::vector<const char*> keys = {
        "imgWin",   "imgStart", "ControlPanel", "imgIE",     "RootDir", "imgExpl",
        "imgHlp",   "imgDesk",  "imgFldIco",    "imgDrvIco", "imgAdm",  "imgMenu",
        "imgClock", "imgTel",   "runSubst",     "Subst",     "FIcon",   "Uninst",
        "imgShort", "imgIcons", "imgSF",        "imgSE",
    };
    return keys;
}

QIcon nodeImage(const QString& imageKey) {
    static QHash<QString, QIcon> images;
    auto found = images.find(imageKey);
    if (found == images.end()) {
        // The same picture when the node is selected, not a tinted one.
        const QPixmap picture(QStringLiteral(":/icons/tree/") + imageKey + QStringLiteral(".png"));
        QIcon icon;
        if (!picture.isNull()) {
            icon.addPixmap(picture, QIcon::Normal);
            icon.addPixmap(picture, QIcon::Selected);
        }
        found = images.insert(imageKey, icon);
    }
    return *found;
}

frmTR::frmTR(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmTR"));
    TR = new QTreeWidget(this);
    TR->setObjectName(QStringLiteral("TR"));
    TR->setHeaderHidden(true);
    TR->setColumnCount(1);
    TR->setIconSize(QSize(16, 16));
    TR->setRootIsDecorated(true);
    TR->setUniformRowHeights(true);
    TR->viewport()->installEventFilter(this);
    connect(TR, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { currentChanged(current); });
    connect(TR, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { clicked(item); });
    Form_Load();
}

void frmTR::Form_Load() {
    TR->clear();
    QHash<QString, QTreeWidgetItem*> byKey;
    const bool nt = IsWinNT();
    for (const NodeRow& row : nodeTable()) {
        if (row.only9x && nt)
            continue;
        QTreeWidgetItem* item =
            row.parent ? new QTreeWidgetItem(byKey.value(row.parent)) : new QTreeWidgetItem(TR);
        const QString key = QLatin1String(row.key);
        item->setData(0, KeyRole, key);
        item->setText(0, row.textId ? LoadResString(row.textId) : QString::fromUtf8(row.literal));
        item->setIcon(0, nodeImage(QLatin1String(row.image)));
        item->setData(0, ImageRole, QLatin1String(row.image));
        byKey.insert(key, item);
    }
    // The About page is the one shown at start; mark its node without opening it again.
    const QSignalBlocker quiet(TR);
    TR->setCurrentItem(byKey.value(QStringLiteral("About")));
}

QTreeWidgetItem* frmTR::node(const QString& key) const {
    for (QTreeWidgetItemIterator it(TR); *it; ++it)
        if (frmTR::key(*it) == key)
            return *it;
    return nullptr;
}

void frmTR::markNode(const QString& key) {
    QTreeWidgetItem* target = node(key);
    if (!target || TR->currentItem() == target)
        return;
    const QSignalBlocker quiet(TR);
    TR->setCurrentItem(target);
}

QString frmTR::key(const QTreeWidgetItem* node) {
    return node ? node->data(0, KeyRole).toString() : QString();
}

QString frmTR::imageKey(const QTreeWidgetItem* node) {
    return node ? node->data(0, ImageRole).toString() : QString();
}

void frmTR::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect inner = rect();
    if (TR->geometry() != inner)
        TR->setGeometry(inner);
}

bool frmTR::eventFilter(QObject* watched, QEvent* event) {
    // A new mouse press starts a new click: whatever opened a page before does not count.
    if (watched == TR->viewport() && event->type() == QEvent::MouseButtonPress)
        openedByPress_ = false;
    return QWidget::eventFilter(watched, event);
}

void frmTR::currentChanged(QTreeWidgetItem* current) {
    if (!current)
        return;
    openedByPress_ = true;
    emit nodeClick(key(current));
}

void frmTR::clicked(QTreeWidgetItem* item) {
    // A click on the node already selected reloads its page; a click that moved the selection
    // has opened the page already.
    if (openedByPress_) {
        openedByPress_ = false;
        return;
    }
    emit nodeClick(key(item));
}

} // namespace kestrel
