// kestrel-reg: Windows' "reg query/add/delete" on a Wine prefix, through Kestrel's registry layer.
//
//   kestrel-reg [--prefix DIR] query KEY [/v NAME | /ve] [/s]
//   kestrel-reg [--prefix DIR] add KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]
//   kestrel-reg [--prefix DIR] delete KEY [/v NAME | /ve | /va] [/f]
//   kestrel-reg [--prefix DIR] history | undo [N] | export N|--since YYYY-MM-DD FILE
//   kestrel-reg --list-prefixes
//
// The prefix is DIR, else WINEPREFIX, else ~/.wine. While a wineserver runs on the prefix it owns
// the registry, so the command is handed to Wine's own reg.exe as it stands.

#include "HistoryCommands.h"
#include "RegTool.h"
#include "platform/Codepage.h"
#include "platform/wine/PrefixDiscovery.h"
#include "platform/wine/WinePrefix.h"
#include "platform/wine/WineRegistry.h"
#include "platform/wine/WineServer.h"

#include <cstdlib>
#include <iostream>

using namespace kestrel;

namespace {

// The prefixes found in the home folder, one a line: source, name, folder, separated by tabs
// (a Steam prefix without a readable manifest is named by its app id).
int listPrefixes() {
    const char* home = std::getenv("HOME");
    for (const auto& found : wine::discoverPrefixes(home ? home : ""))
        std::cout << wine::sourceWord(found.source) << '\t'
                  << (found.name.empty() ? found.id : found.name) << '\t' << found.path << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--list-prefixes")
        return listPrefixes();
    std::string prefix;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--prefix" && i + 1 < argc) {
            prefix = argv[++i];
        } else if (arg.rfind("--prefix=", 0) == 0) {
            prefix = arg.substr(9);
        } else {
            args.push_back(arg);
        }
    }
    if (prefix.empty())
        prefix = wine::defaultPrefixPath();

    switch (wine::prefixState(prefix)) {
    case wine::PrefixState::Ready:
        break;
    case wine::PrefixState::Missing:
        std::cout << "kestrel-reg: there is no Wine prefix at " << prefix
                  << " (set WINEPREFIX or use --prefix DIR)\r\n";
        return 1;
    case wine::PrefixState::NotPrefix:
        std::cout << "kestrel-reg: " << wine::notAPrefixMessage(prefix) << "\r\n";
        return 1;
    }

#ifdef KESTREL_HISTORY
    // The history's undo writes through the registry layer, which goes through Wine itself
    // while a wineserver runs.
    if (regtool::isHistoryCommand(args)) {
        std::string out;
        const int status = regtool::runHistory(args, prefix, out);
        std::cout << out;
        return status;
    }
#endif

    if (wine::wineServerRunning(prefix) && wine::wineInstalled()) {
        // Wine has the live registry: its reg.exe answers. Its output comes through a file, as
        // the services Wine may start would keep a pipe open.
        std::vector<std::string> command{"reg"};
        command.insert(command.end(), args.begin(), args.end());
        std::string output;
        const int status = wine::runWine(prefix, command, output, true);
        std::cout << output;
        if (status < 0) {
            std::cout << "kestrel-reg: cannot start wine\r\n";
            return 1;
        }
        return status;
    }

    wine::WineRegistry registry(prefix, codepage::forEnvironment());
    std::string out;
    const int status = regtool::run(args, registry, out, std::cin);
    std::cout << out;
    if (status != 0 && !registry.lastError().empty() &&
        registry.lastError().find("does not exist") == std::string::npos &&
        registry.lastError().find("Invalid") == std::string::npos)
        std::cerr << "kestrel-reg: " << registry.lastError() << "\n";
    return status;
}
