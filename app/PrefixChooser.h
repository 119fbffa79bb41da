#pragma once
// The prefix chooser above the tree: the Wine prefixes found on this computer, grouped by the
// tool that made them and named as that tool names them, with the Windows version each reports;
// the prefixes opened recently; and "Open prefix folder…" for any other folder. Choosing one
// asks the main window to switch to it (prefixChosen).

#include "platform/wine/PrefixDiscovery.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QComboBox;
class QLabel;
class QStandardItemModel;

namespace kestrel {

class PrefixChooser : public QWidget {
    Q_OBJECT
public:
    explicit PrefixChooser(QWidget* parent = nullptr);

    // Looks for the prefixes in the home folder again and shows current as the chosen one.
    void refresh(const QString& current);
    // The prefix found at path (links resolved), nullptr for a folder found nowhere.
    const wine::FoundPrefix* find(const QString& path) const;
    // The name the user knows a found prefix by, and the group it is listed in.
    static QString displayName(const wine::FoundPrefix& prefix);
    static QString sourceText(wine::PrefixSource source);

    // The recent prefixes (most recent first), kept between runs.
    static QStringList recentPrefixes();
    static void rememberPrefix(const QString& path);

    // Where to look for prefixes; the home folder unless a test says otherwise.
    static void setHomeForTests(const QString& home);

    QLabel* lblPrefix = nullptr;
    QComboBox* cboPrefix = nullptr;

signals:
    void prefixChosen(const QString& path);

private:
    void activated(int index);
    void addHeading(const QString& text);
    void addPrefix(const QString& label, const QString& path);
    // Fills in the Windows version of a few entries per call, until all have one.
    void readVersions();
    void showVersions(const QHash<QString, QString>& versions);

    QStandardItemModel* model_ = nullptr;
    std::vector<wine::FoundPrefix> found_;
    QString current_;
    int versionGeneration_ = 0; // bumped by each refresh of the list
};

} // namespace kestrel
