#include "DriveListBox.h"

#include "platform/Machine.h"

#include <QSignalBlocker>

namespace kestrel {

namespace {
QString driveText(QChar letter) {
    return QString(letter.toLower()) + QLatin1Char(':');
}
} // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    Refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit Change(); });
}

void DriveListBox::Refresh() {
    const QString chosen = Drive();
    const QSignalBlocker quiet(this);
    clear();
    if (!Machine::hasCurrent())
        return;
    const std::string letters = Machine::current().logicalDrives();
    for (char letter : letters)
        addItem(driveText(QChar::fromLatin1(letter)));
    int index = findText(chosen.isEmpty() ? QStringLiteral("c:") : chosen);
    if (index < 0)
        index = findText(QStringLiteral("c:"));
    setCurrentIndex(index >= 0 ? index : (count() > 0 ? 0 : -1));
}

void DriveListBox::showPopup() {
    Refresh();
    QComboBox::showPopup();
}

QString DriveListBox::Drive() const {
    return currentText();
}

bool DriveListBox::setDrive(const QString& drive) {
    if (drive.size() < 2 || drive[1] != QLatin1Char(':') || !drive[0].isLetter())
        return false;
    const int index = findText(driveText(drive[0]));
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

} // namespace kestrel
