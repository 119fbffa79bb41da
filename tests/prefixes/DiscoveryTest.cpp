// Prefix discovery on a fake home folder that holds one of each layout, checked in the library
// and through kestrel-reg --list-prefixes, which scripts use.

#include "platform/wine/PrefixDiscovery.h"
#include "platform/wine/Process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using namespace kestrel::wine;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// A prefix as far as discovery looks: the registry files, with what Wine reports.
void prefix(const fs::path& folder, const std::string& product, const std::string& wineVersion) {
    write(folder / "system.reg",
          "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
          "[Software\\\\Wine] 1700000000\n\n"
          "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
          "\"CurrentVersion\"=\"6.3\"\n\"ProductName\"=\"" +
              product + "\"\n");
    write(folder / "user.reg",
          "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
          "[Software\\\\Wine] 1700000000\n" +
              (wineVersion.empty() ? "" : "\"Version\"=\"" + wineVersion + "\"\n"));
}

void manifest(const fs::path& library, const std::string& appId, const std::string& name) {
    write(library / "steamapps" / ("appmanifest_" + appId + ".acf"),
          "\"AppState\"\n{\n\t\"appid\"\t\t\"" + appId + "\"\n\t\"name\"\t\t\"" + name +
              "\"\n\t\"StateFlags\"\t\t\"4\"\n}\n");
}

struct Row {
    const char* source;
    const char* name; // empty: no name known
    const char* id;
    const char* folder; // below the fake home
    const char* version;
    const char* setting = ""; // the Windows version set in Wine, over the installed product's
};

TEST(Discovery, FindsEveryLayoutByItsName) {
    // A fake home folder with one of each layout (the prefixes made from the table below),
    // removed at the end.
    const fs::path home =
        fs::temp_directory_path() / ("kestrel-home-" + std::to_string(::getpid()));
    fs::remove_all(home);
    const std::shared_ptr<void> removed(nullptr, [&home](void*) { fs::remove_all(home); });
    const fs::path steam = home / ".local/share/Steam";
    const fs::path second = home / "Disk2/SteamLibrary";
    fs::create_directories(home / ".steam");
    fs::create_directory_symlink(steam, home / ".steam/steam");
    // The second library is listed with a Windows-style escape and a comment.
    write(steam / "steamapps/libraryfolders.vdf",
          "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.string() +
              "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"220\"\t\t\"1\"\n\t\t}\n\t}\n"
              "\t// the games disk\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" +
              second.string() + "\"\n\t\t\"label\"\t\t\"Games \\\"B\\\"\"\n\t}\n}\n");
    manifest(steam, "220", "Half-Life 2");
    write(steam / "steamapps/appmanifest_400.acf", "\"AppState\"\n{\n\t\"name\"\t\t\"Port");
    manifest(second, "570", "Dota 2");
    // Installed in the first library, its prefix in the second.
    manifest(steam, "1145360", "Hades");
    fs::create_directories(second / "steamapps/compatdata/620");
    fs::create_directory_symlink(home / "gone", second / "steamapps/compatdata/620/pfx");
    const fs::path flatpak = home / ".var/app/com.valvesoftware.Steam/.local/share/Steam";
    manifest(flatpak, "730", "Counter-Strike 2");

    write(home / ".config/lutris/games/the-witcher-3-1612345678.yml",
          "game:\n  exe: /home/x/witcher3.exe\n  prefix: ~/Games/witcher3\nwine:\n  "
          "version: lutris-7.2\n");
    write(home / ".config/lutris/games/native-game-1600000000.yml", "game:\n  exe: run.sh\n");

    write(home / ".local/share/bottles/bottles/Office/bottle.yml",
          "Name: Office 2010\nArch: win64\nEnvironment: Software\n");

    const Row rows[] = {
        {"wine", "~/.wine", ".wine", ".wine", "Windows 98", "win98"},
        {"steam", "", "400", ".local/share/Steam/steamapps/compatdata/400/pfx", "Windows 7"},
        {"steam", "Dota 2", "570", "Disk2/SteamLibrary/steamapps/compatdata/570/pfx",
         "Windows 10 Pro"},
        {"steam", "Hades", "1145360", "Disk2/SteamLibrary/steamapps/compatdata/1145360/pfx",
         "Windows 10 Pro"},
        {"steam", "Half-Life 2", "220", ".local/share/Steam/steamapps/compatdata/220/pfx",
         "Windows 10 Pro"},
        {"steam-flatpak", "Counter-Strike 2", "730",
         ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/compatdata/730/pfx",
         "Windows 10 Pro"},
        {"lutris", "The Witcher 3", "the-witcher-3-1612345678", "Games/witcher3", "Windows 8.1",
         "win81"},
        {"bottles", "Office 2010", "Office", ".local/share/bottles/bottles/Office", "Windows 7"},
        {"bottles-flatpak", "Paint", "Paint",
         ".var/app/com.usebottles.bottles/data/bottles/bottles/Paint", "Windows XP", "winxp"},
        {"heroic", "Control", "Control", "Games/Heroic/Prefixes/default/Control/pfx",
         "Windows 10 Pro"},
    };
    // Where Wine has a version set, the product installed says another.
    for (const Row& row : rows)
        prefix(home / row.folder, *row.setting ? "Windows 10 Pro" : row.version, row.setting);
    // What discovery finds, one prefix a line, and the list the command line prints.
    std::string found, expected, listed;
    for (const auto& p : discoverPrefixes(home.string()))
        found += std::string(sourceWord(p.source)) + "|" + p.name + "|" + p.id + "|" + p.path +
                 "|" + prefixWindowsVersion(p.path) + "\n";
    for (const Row& row : rows) {
        const std::string path = (home / row.folder).string();
        expected += std::string(row.source) + "|" + row.name + "|" + row.id + "|" + path + "|" +
                    row.version + "\n";
        listed +=
            std::string(row.source) + "\t" + (*row.name ? row.name : row.id) + "\t" + path + "\n";
    }
    EXPECT_EQ(found, expected);

    // The same list from the command line.
    const auto listing = runProcess({KESTREL_REG, "--list-prefixes"}, {{"HOME", home.string()}});
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_EQ(listing.output, listed);
}

} // namespace
