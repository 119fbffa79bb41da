// Kestrel: one window that switches Windows settings of the machine it edits: on Windows the
// computer itself; on Linux a Wine prefix (--prefix DIR, else $WINEPREFIX, else ~/.wine), created
// when missing. The window's prefix chooser switches to any other prefix while it runs.

#include "StartUp.h"
#include "frmStart.h"
#include "resources/Catalogue.h"
#include "ui/MdlStart.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>

using namespace kestrel;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrel"));
    QApplication::setWindowIcon(LoadResPicture(QStringLiteral("APP")));
    // Qt's own texts (standard buttons, the file dialog) in the language of the catalogue.
    Catalogue::installQtTranslations();

    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption prefixOption(QStringLiteral("prefix"), LoadResString(992),
                                          LoadResString(993));
#ifndef _WIN32
    options.addOption(prefixOption);
#endif
    options.process(app);

#ifndef _WIN32
    OpenedMachine opened = options.isSet(prefixOption)
                               ? openPrefix(options.value(prefixOption).toStdString())
                               : openMachine();
#else
    OpenedMachine opened = openMachine();
#endif
    if (!opened.machine) {
        std::fprintf(stderr, "kestrel: %s\n", opened.detail.c_str());
        QMessageBox::critical(nullptr, LoadResString(101), opened.error);
        return opened.exitCode;
    }
    Machine::setCurrent(opened.machine.get());

    // Start-up: the About page is current, the version key is chosen, the window shows.
    MdlStart::setWinVerKeyFromPlatform();
    int result = 0;
    {
        frmStart window;
        window.adoptMachine(std::move(opened.machine));
        window.show();
        window.arrangePage();
        result = QApplication::exec();
    }
    Machine::setCurrent(nullptr);
    return result;
}
