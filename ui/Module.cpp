#include "Module.h"

#include "platform/Codepage.h"
#include "platform/Machine.h"
#include "platform/Module.h"
#include "resources/Catalogue.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace kestrel {

namespace {
testing::PromptHandler promptHandler;
testing::MessageHandler messageHandler;
testing::FileChooser fileChooser;

QString chooseFile(bool save, const QString& caption, const QString& filter) {
    if (fileChooser)
        return fileChooser(caption, filter);
    Machine& machine = Machine::current();
    const QString start = QString::fromStdString(machine.hostPathFromDos("C:\\"));
    const QString hostPath =
        save ? QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, start,
                                            DialogBox::qtFilter(filter))
             : QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, start,
                                            DialogBox::qtFilter(filter));
    if (hostPath.isEmpty())
        return {};
    const std::string dos = machine.dosPathFromHost(hostPath.toStdString());
    return QString::fromStdWString(codepage::toWide(dos, machine.ansiCodePage()));
}
} // namespace

bool AskSave(const QString& text) {
    const QString question = text == QLatin1String("None") ? LoadResString(109) : text;
    const QString title = LoadResString(110);
    if (promptHandler)
        return promptHandler(question, title);
    return QMessageBox::question(QApplication::activeWindow(), title, question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void ShowMessage(const QString& text, MessageIcon icon) {
    if (messageHandler) {
        messageHandler(text);
        return;
    }
    if (icon == MessageIcon::Critical)
        QMessageBox::critical(QApplication::activeWindow(), LoadResString(101), text,
                              QMessageBox::Ok);
    else
        QMessageBox::information(QApplication::activeWindow(), LoadResString(101), text,
                                 QMessageBox::Ok);
}

QString LoadResCaption(int id) {
    QString text = LoadResString(id);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

void ShowWarning(const QString& text, const QString& title) {
    if (messageHandler) {
        messageHandler(text);
        return;
    }
    QMessageBox::warning(QApplication::activeWindow(), title, text, QMessageBox::Ok);
}

bool IsWinNT() {
    return Module::IsWinNT();
}

QString GetSysDir() {
    return QString::fromStdWString(Module::GetSysDir());
}

namespace {
QString fromMachine(const std::string& text) {
    return QString::fromStdWString(codepage::toWide(text, Machine::current().ansiCodePage()));
}
} // namespace

QString GetCompName() {
    return Machine::hasCurrent() ? fromMachine(Machine::current().computerName()).trimmed()
                                 : QString();
}

QString GetUser() {
    return Machine::hasCurrent() ? fromMachine(Machine::current().userName()) : QString();
}

QString DialogBox::OpenFile(const QString& caption, const QString& filter) {
    return chooseFile(false, caption, filter);
}

QString DialogBox::SaveFile(const QString& /*fileName*/, const QString& caption,
                            const QString& filter) {
    return chooseFile(true, caption, filter);
}

QString DialogBox::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

namespace testing {
void setPromptHandler(PromptHandler handler) {
    promptHandler = std::move(handler);
}
void setMessageHandler(MessageHandler handler) {
    messageHandler = std::move(handler);
}
void setFileChooser(FileChooser chooser) {
    fileChooser = std::move(chooser);
}
} // namespace testing

} // namespace kestrel
