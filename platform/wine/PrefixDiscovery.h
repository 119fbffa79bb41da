#pragma once
// The Wine prefixes on this computer, as the tools that made them keep them: Steam's Proton
// (compatdata/<appid>/pfx in every Steam library, native or Flatpak Steam), Lutris games,
// Bottles (native or Flatpak), Heroic, and plain Wine prefixes in the home folder. Pure file
// reading: nothing is started and nothing is written.

#include <string>
#include <vector>

namespace kestrel::wine {

// Where a prefix comes from; also the order in which the groups are listed.
enum class PrefixSource { Wine, Steam, SteamFlatpak, Lutris, Bottles, BottlesFlatpak, Heroic };

// A stable word for scripts: "wine", "steam", "steam-flatpak", "lutris", "bottles",
// "bottles-flatpak", "heroic".
const char* sourceWord(PrefixSource source);

struct FoundPrefix {
    PrefixSource source = PrefixSource::Wine;
    // As the user knows it: the game's name (Steam, Lutris, Heroic), the bottle's name, or the
    // folder (Wine). Empty for a Steam prefix whose app manifest is missing or unreadable.
    std::string name;
    // The tool's own id: the Steam app id, the Lutris game's file name, the folder name.
    std::string id;
    // The prefix folder (it holds system.reg), with links resolved.
    std::string path;
};

// Every prefix found under home, grouped by source in the order above and sorted by name within
// a group. A folder reached twice (a library listed by two Steam installations, a Lutris game in
// a Heroic prefix) is listed once, under the first source that found it. Folders without
// system.reg (not created yet, or links to nowhere) are left out.
std::vector<FoundPrefix> discoverPrefixes(const std::string& home);

// The Windows version Wine reports in the prefix, read from its registry files as Wine does:
// HKCU\Software\Wine "Version" (win98, win10, …) when set, else the product name of
// HKLM\Software\Microsoft\Windows NT\CurrentVersion (Windows\CurrentVersion for the 9x family).
// Empty when the files do not say. Reads two files: call it only for prefixes being shown.
std::string prefixWindowsVersion(const std::string& prefixPath);

} // namespace kestrel::wine
