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

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <langinfo.h>

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

// True when the bytes are well-formed UTF-8.
bool validUtf8(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = b < 0x80           ? 1
                                   : (b >> 5) == 0x6  ? 2
                                   : (b >> 4) == 0xE  ? 3
                                   : (b >> 3) == 0x1E ? 4
                                                      : 0;
        if (length == 0 || i + length > bytes.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// A command-line word in the user's locale as wide text; a word the locale cannot decode is
// taken as UTF-8 when it is that, else byte for byte.
std::wstring decodeArgument(const std::string& bytes) {
    std::wstring out;
    std::mbstate_t state{};
    for (std::size_t i = 0; i < bytes.size();) {
        wchar_t wc = 0;
        const std::size_t n = std::mbrtowc(&wc, bytes.data() + i, bytes.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            if (validUtf8(bytes))
                return codepage::fromUtf8(bytes);
            return std::wstring(bytes.begin(), bytes.end());
        }
        out.push_back(wc);
        i += n == 0 ? 1 : n;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--list-prefixes")
        return listPrefixes();
    std::setlocale(LC_ALL, "");
    // The registry's names and texts reach this tool in the terminal's encoding: UTF-8 (or plain
    // ASCII) terminals get every character through; others their ANSI code page.
    const std::string charset = nl_langinfo(CODESET);
    const unsigned codePage = charset == "UTF-8" || charset == "ANSI_X3.4-1968"
                                  ? codepage::Utf8
                                  : codepage::forEnvironment();

    std::string prefix;
    bool prefixGiven = false;
    std::vector<std::string> args, asTyped;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--prefix" || arg.rfind("--prefix=", 0) == 0) {
            if (arg == "--prefix" && i + 1 >= argc) {
                std::cout << "kestrel-reg: --prefix must be followed by the prefix folder\r\n";
                return 1;
            }
            prefix = arg == "--prefix" ? argv[++i] : arg.substr(9);
            prefixGiven = true;
        } else {
            args.push_back(codepage::fromWide(decodeArgument(arg), codePage));
            asTyped.push_back(arg);
        }
    }
    if (prefixGiven && prefix.empty()) {
        std::cout << "kestrel-reg: the prefix folder given with --prefix is empty\r\n";
        return 1;
    }
    if (!prefixGiven)
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
        command.insert(command.end(), asTyped.begin(), asTyped.end());
        std::string output;
        const int status = wine::runWine(prefix, command, output, true);
        std::cout << output;
        if (status < 0) {
            std::cout << "kestrel-reg: cannot start wine\r\n";
            return 1;
        }
        return status;
    }

    wine::WineRegistry registry(prefix, codePage);
    std::string out;
    const int status = regtool::run(args, registry, out, std::cin);
    std::cout << out;
    if (status != 0 && !registry.lastError().empty() &&
        registry.lastError().find("does not exist") == std::string::npos &&
        registry.lastError().find("Invalid") == std::string::npos)
        std::cerr << "kestrel-reg: " << registry.lastError() << "\n";
    return status;
}
