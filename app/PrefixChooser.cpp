#include "PrefixChooser.h"

#include "platform/wine/WinePrefix.h"
#include "resources/Catalogue.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QStandardItemModel>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrel {

namespace {

constexpr int PathRole = Qt::UserRole + 1;  // the prefix folder of an entry
constexpr int LabelRole = Qt::UserRole + 2; // its text without the Windows version
constexpr int OpenRole = Qt::UserRole + 3;  // set on "Open prefix folder…"
constexpr int MaxRecent = 8;

QString homeForTests;

QString home() {
    return homeForTests.isEmpty() ? QDir::homePath() : homeForTests;
}

QSettings settings() {
    return QSettings(QStringLiteral("Kestrel"), QStringLiteral("Kestrel"));
}

QString resolved(const QString& path) {
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(path) : real;
}

// A folder as the user would type it: ~/ for the home folder.
QString shortPath(const QString& path) {
    const QString prefix = QDir::homePath() + QLatin1Char('/');
    return path.startsWith(prefix) ? QStringLiteral("~/") + path.mid(prefix.size()) : path;
}

} // namespace

PrefixChooser::PrefixChooser(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PrefixChooser"));
    lblPrefix = new QLabel(LoadResString(980), this);
    lblPrefix->setObjectName(QStringLiteral("lblPrefix"));
    cboPrefix = new QComboBox(this);
    cboPrefix->setObjectName(QStringLiteral("cboPrefix"));
    cboPrefix->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboPrefix->setMinimumContentsLength(20);
    cboPrefix->setMaxVisibleItems(24);
    lblPrefix->setBuddy(cboPrefix);
    model_ = new QStandardItemModel(this);
    cboPrefix->setModel(model_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 3, 4, 3);
    row->addWidget(lblPrefix);
    row->addWidget(cboPrefix, 1);
    connect(cboPrefix, &QComboBox::activated, this, &PrefixChooser::activated);
}

void PrefixChooser::setHomeForTests(const QString& folder) {
    homeForTests = folder;
}

QStringList PrefixChooser::recentPrefixes() {
    return settings().value(QStringLiteral("recentPrefixes")).toStringList();
}

void PrefixChooser::rememberPrefix(const QString& path) {
    if (path.isEmpty())
        return;
    QStringList recent = recentPrefixes();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > MaxRecent)
        recent.removeLast();
    settings().setValue(QStringLiteral("recentPrefixes"), recent);
}

QString PrefixChooser::sourceText(wine::PrefixSource source) {
    switch (source) {
    case wine::PrefixSource::Wine:
        return LoadResString(983);
    case wine::PrefixSource::Steam:
        return LoadResString(984);
    case wine::PrefixSource::SteamFlatpak:
        return LoadResString(985);
    case wine::PrefixSource::Lutris:
        return LoadResString(986);
    case wine::PrefixSource::Bottles:
        return LoadResString(987);
    case wine::PrefixSource::BottlesFlatpak:
        return LoadResString(988);
    case wine::PrefixSource::Heroic:
        return LoadResString(989);
    }
    return LoadResString(983);
}

QString PrefixChooser::displayName(const wine::FoundPrefix& prefix) {
    if (!prefix.name.empty())
        return QString::fromStdString(prefix.name);
    return LoadResString(990).arg(QString::fromStdString(prefix.id));
}

const wine::FoundPrefix* PrefixChooser::find(const QString& path) const {
    const std::string real = resolved(path).toStdString();
    for (const wine::FoundPrefix& prefix : found_)
        if (prefix.path == real)
            return &prefix;
    return nullptr;
}

void PrefixChooser::addHeading(const QString& text) {
    auto* item = new QStandardItem(text);
    QFont bold = font();
    bold.setBold(true);
    item->setFont(bold);
    item->setForeground(palette().brush(QPalette::Active, QPalette::WindowText));
    item->setFlags(Qt::NoItemFlags); // a group's title, not a choice
    model_->appendRow(item);
}

void PrefixChooser::addPrefix(const QString& label, const QString& path) {
    auto* item = new QStandardItem(label);
    item->setData(path, PathRole);
    item->setData(label, LabelRole);
    item->setToolTip(path);
    model_->appendRow(item);
}

void PrefixChooser::refresh(const QString& current) {
    current_ = resolved(current);
    found_ = wine::discoverPrefixes(home().toStdString());
    model_->clear();

    // The one edited now first, then the others opened before.
    QStringList recent{current_};
    // A recent prefix deleted since is left out: choosing it would make a new, empty one.
    for (const QString& path : recentPrefixes())
        if (!path.isEmpty() && !recent.contains(resolved(path)) &&
            wine::prefixState(path.toStdString()) == wine::PrefixState::Ready)
            recent << resolved(path);
    addHeading(LoadResString(982));
    for (const QString& path : recent) {
        const wine::FoundPrefix* known = find(path);
        addPrefix(known ? displayName(*known) : shortPath(path), path);
    }
    bool first = true;
    for (std::size_t i = 0; i < found_.size(); ++i) {
        const wine::FoundPrefix& prefix = found_[i];
        if (first || prefix.source != found_[i - 1].source)
            addHeading(sourceText(prefix.source));
        first = false;
        addPrefix(displayName(prefix), QString::fromStdString(prefix.path));
    }
    auto* open = new QStandardItem(LoadResString(981));
    open->setData(true, OpenRole);
    model_->appendRow(open);

    cboPrefix->setCurrentIndex(1); // the current prefix, first under "Recent"
    cboPrefix->setToolTip(current_);
    readVersions();
}

// Each prefix's Windows version is read from its registry files in the background (a large
// system.reg takes a while) and shown once known; a list rebuilt since ignores the answer.
void PrefixChooser::readVersions() {
    QStringList paths;
    for (int row = 0; row < model_->rowCount(); ++row)
        if (const QString path = model_->item(row)->data(PathRole).toString(); !path.isEmpty())
            paths << path;
    const int generation = ++versionGeneration_;
    using Versions = QHash<QString, QString>;
    auto* watcher = new QFutureWatcher<Versions>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        if (generation == versionGeneration_)
            showVersions(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([paths] {
        Versions versions;
        for (const QString& path : paths)
            if (!versions.contains(path))
                versions.insert(
                    path, QString::fromStdString(wine::prefixWindowsVersion(path.toStdString())));
        return versions;
    }));
}

void PrefixChooser::showVersions(const QHash<QString, QString>& versions) {
    for (int row = 0; row < model_->rowCount(); ++row) {
        QStandardItem* item = model_->item(row);
        const QString version = versions.value(item->data(PathRole).toString());
        if (!version.isEmpty())
            item->setText(LoadResString(995).arg(item->data(LabelRole).toString(), version));
    }
}

void PrefixChooser::activated(int index) {
    const QModelIndex at = model_->index(index, 0);
    QString path;
    if (at.data(OpenRole).toBool()) {
        path = QFileDialog::getExistingDirectory(this, LoadResString(991),
                                                 QFileInfo(current_).absolutePath());
    } else {
        path = at.data(PathRole).toString();
    }
    // Nothing chosen, or the prefix edited now: the chooser shows it again.
    if (path.isEmpty() || resolved(path) == current_) {
        cboPrefix->setCurrentIndex(1);
        return;
    }
    emit prefixChosen(path);
}

} // namespace kestrel
