#include "PrefixDiscovery.h"

#include "KeyValues.h"
#include "RegFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <yaml-cpp/yaml.h>

namespace kestrel::wine {

namespace fs = std::filesystem;

namespace {

bool isPrefix(const fs::path& folder) {
    struct stat st;
    return stat((folder / "system.reg").c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool readText(const fs::path& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The folders directly inside folder, sorted by name; none when it cannot be listed.
std::vector<fs::path> subfolders(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec))
            out.push_back(it->path());
    std::sort(out.begin(), out.end());
    return out;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class Finder {
public:
    explicit Finder(const fs::path& home) : home_(home) {}

    // Adds a prefix unless its folder is already listed.
    void add(PrefixSource source, std::string name, std::string id, const fs::path& folder) {
        if (!isPrefix(folder))
            return;
        std::error_code ec;
        const fs::path real = fs::canonical(folder, ec);
        if (ec || !seen_.insert(real.string()).second)
            return;
        found_.push_back({source, std::move(name), std::move(id), real.string()});
    }

    void steam() {
        // The native Steam is reached by several names (~/.steam/steam links to the real one).
        const fs::path flatpak = home_ / ".var/app/com.valvesoftware.Steam";
        const std::pair<PrefixSource, fs::path> roots[] = {
            {PrefixSource::Steam, home_ / ".steam/steam"},
            {PrefixSource::Steam, home_ / ".steam/root"},
            {PrefixSource::Steam, home_ / ".local/share/Steam"},
            {PrefixSource::SteamFlatpak, flatpak / ".local/share/Steam"},
            {PrefixSource::SteamFlatpak, flatpak / "data/Steam"},
        };
        std::vector<std::pair<PrefixSource, fs::path>> libraries;
        std::set<std::string> known;
        auto addLibrary = [&](PrefixSource source, const fs::path& folder) {
            std::error_code ec;
            const fs::path real = fs::canonical(folder, ec);
            if (!ec && fs::is_directory(real / "steamapps", ec) && known.insert(real).second)
                libraries.emplace_back(source, real);
        };
        for (const auto& [source, root] : roots) {
            addLibrary(source, root);
            for (const char* list : {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"})
                for (const std::string& folder : listedLibraries(root / list))
                    addLibrary(source, folder);
        }
        for (const auto& [source, library] : libraries) {
            for (const fs::path& data : subfolders(library / "steamapps/compatdata")) {
                const std::string appId = data.filename().string();
                std::string name = gameName(library, appId);
                // A game installed in one library may keep its prefix in another.
                for (std::size_t i = 0; name.empty() && i < libraries.size(); ++i)
                    if (libraries[i].second != library)
                        name = gameName(libraries[i].second, appId);
                add(source, std::move(name), appId, data / "pfx");
            }
        }
    }

    void lutris() {
        const fs::path flatpak = home_ / ".var/app/net.lutris.Lutris";
        for (const fs::path& games :
             {home_ / ".config/lutris/games", home_ / ".local/share/lutris/games",
              flatpak / "config/lutris/games", flatpak / "data/lutris/games"}) {
            std::vector<fs::path> files;
            std::error_code ec;
            for (fs::directory_iterator it(games, ec), end; !ec && it != end; it.increment(ec)) {
                const std::string ext = it->path().extension().string();
                if (ext == ".yml" || ext == ".yaml")
                    files.push_back(it->path());
            }
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files)
                lutrisGame(file);
        }
    }

    void bottles() {
        const std::pair<PrefixSource, fs::path> places[] = {
            {PrefixSource::Bottles, home_ / ".local/share/bottles/bottles"},
            {PrefixSource::BottlesFlatpak,
             home_ / ".var/app/com.usebottles.bottles/data/bottles/bottles"},
        };
        for (const auto& [source, place] : places) {
            for (const fs::path& bottle : subfolders(place)) {
                const std::string folder = bottle.filename().string();
                std::string name = yamlText(bottle / "bottle.yml", {"Name"});
                add(source, name.empty() ? folder : name, folder, bottle);
            }
        }
    }

    void heroic() {
        // Prefixes/<game>, Prefixes/default/<game>; a Proton prefix is the pfx folder inside.
        auto game = [&](const fs::path& folder) {
            const std::string name = folder.filename().string();
            if (isPrefix(folder))
                add(PrefixSource::Heroic, name, name, folder);
            else if (isPrefix(folder / "pfx"))
                add(PrefixSource::Heroic, name, name, folder / "pfx");
            else
                return false;
            return true;
        };
        for (const fs::path& folder : subfolders(home_ / "Games/Heroic/Prefixes"))
            if (!game(folder))
                for (const fs::path& inner : subfolders(folder))
                    game(inner);
    }

    void plainWine() {
        // ~/.wine and its siblings (~/.wine32, ~/.wine-games), and winetricks' prefixes.
        std::vector<fs::path> dotted;
        std::error_code ec;
        for (fs::directory_iterator it(home_, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().filename().string().rfind(".wine", 0) == 0)
                dotted.push_back(it->path());
        std::sort(dotted.begin(), dotted.end());
        for (const fs::path& folder : dotted)
            add(PrefixSource::Wine, "~/" + folder.filename().string(), folder.filename().string(),
                folder);
        for (const fs::path& folder : subfolders(home_ / ".local/share/wineprefixes"))
            add(PrefixSource::Wine, folder.filename().string(), folder.filename().string(), folder);
    }

    std::vector<FoundPrefix> take() {
        // Groups in source order, names sorted within a group (the id for a nameless one).
        std::stable_sort(found_.begin(), found_.end(),
                         [](const FoundPrefix& a, const FoundPrefix& b) {
                             if (a.source != b.source)
                                 return a.source < b.source;
                             const std::string x = lower(a.name.empty() ? a.id : a.name);
                             const std::string y = lower(b.name.empty() ? b.id : b.name);
                             return x != y ? x < y : a.path < b.path;
                         });
        return std::move(found_);
    }

private:
    // The library folders a libraryfolders.vdf lists: "<n>" { "path" "…" } blocks, or the
    // older "<n>" "…" lines.
    static std::vector<std::string> listedLibraries(const fs::path& file) {
        std::vector<std::string> out;
        std::string text;
        KeyValue root;
        if (!readText(file, text))
            return out;
        parseKeyValues(text, root); // a damaged file still gives the entries before the damage
        const KeyValue* list = root.find("libraryfolders");
        if (!list || !list->block)
            return out;
        for (const KeyValue& entry : list->children) {
            if (entry.key.empty() || !std::all_of(entry.key.begin(), entry.key.end(),
                                                  [](unsigned char c) { return std::isdigit(c); }))
                continue;
            const std::string path = entry.block ? entry.text("path") : entry.value;
            if (!path.empty())
                out.push_back(path);
        }
        return out;
    }

    // The name in steamapps/appmanifest_<appid>.acf of a library; empty when there is none.
    static std::string gameName(const fs::path& library, const std::string& appId) {
        std::string text;
        if (!readText(library / "steamapps" / ("appmanifest_" + appId + ".acf"), text))
            return {};
        KeyValue root;
        if (!parseKeyValues(text, root))
            return {}; // a damaged manifest may have lost the end of the name
        const KeyValue* state = root.find("AppState");
        return state && state->block ? state->text("name") : std::string();
    }

    // The text at a path of keys in a YAML file; empty when the file or the entry is missing or
    // the file is not YAML.
    static std::string yamlText(const fs::path& file, std::initializer_list<const char*> keys) {
        try {
            YAML::Node node = YAML::LoadFile(file.string());
            for (const char* key : keys) {
                if (!node.IsMap())
                    return {};
                node = node[key];
            }
            return node.IsScalar() ? node.as<std::string>() : std::string();
        } catch (const std::exception&) {
            return {};
        }
    }

    void lutrisGame(const fs::path& file) {
        std::string prefix = yamlText(file, {"game", "prefix"});
        if (prefix.empty())
            return; // a native game, or one that uses the default prefix
        if (prefix == "~" || prefix.rfind("~/", 0) == 0)
            prefix = (home_ / prefix.substr(std::min<std::size_t>(2, prefix.size()))).string();
        const std::string id = file.stem().string();
        std::string name = yamlText(file, {"name"});
        if (name.empty())
            name = titleFromSlug(id);
        add(PrefixSource::Lutris, std::move(name), id, prefix);
    }

    // Lutris names a game's file "<slug>-<time>": "the-witcher-3-1612345678" → "The Witcher 3".
    static std::string titleFromSlug(std::string slug) {
        const std::size_t dash = slug.rfind('-');
        if (dash != std::string::npos && dash + 1 < slug.size() &&
            std::all_of(slug.begin() + dash + 1, slug.end(),
                        [](unsigned char c) { return std::isdigit(c); }))
            slug.erase(dash);
        bool start = true;
        for (char& c : slug) {
            if (c == '-' || c == '_')
                c = ' ';
            else if (start)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            start = c == ' ';
        }
        return slug;
    }

    fs::path home_;
    std::set<std::string> seen_;
    std::vector<FoundPrefix> found_;
};

// The string value name of the section [key] of a registry file's text; empty when missing.
std::string registryString(const std::string& text, const char* header, const RegPath& path,
                           const std::u16string& name) {
    const std::size_t start = text.find(header);
    if (start == std::string::npos)
        return {};
    std::size_t end = text.find("\n[", start + 1);
    if (end == std::string::npos)
        end = text.size();
    // Only this section is parsed: the files of a used prefix run to megabytes.
    RegFile section;
    section.load("WINE REGISTRY Version 2\n\n" + text.substr(start + 1, end - start));
    const auto value = section.value(path, name);
    if (!value || (value->type != 1 && value->type != 2))
        return {};
    std::string out;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
        const unsigned unit = static_cast<unsigned char>(value->data[i]) |
                              static_cast<unsigned char>(value->data[i + 1]) << 8;
        if (unit == 0)
            break;
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            out.push_back(static_cast<char>(0xC0 | unit >> 6));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | unit >> 12));
            out.push_back(static_cast<char>(0x80 | (unit >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return out;
}

// Wine's names for the versions it can report (winecfg's list).
std::string versionFromWineName(const std::string& word) {
    static const std::pair<const char*, const char*> names[] = {
        {"win11", "Windows 11"},     {"win10", "Windows 10"},          {"win81", "Windows 8.1"},
        {"win8", "Windows 8"},       {"win2008r2", "Windows 2008 R2"}, {"win7", "Windows 7"},
        {"win2008", "Windows 2008"}, {"vista", "Windows Vista"},       {"win2003", "Windows 2003"},
        {"winxp64", "Windows XP"},   {"winxp", "Windows XP"},          {"win2k", "Windows 2000"},
        {"nt40", "Windows NT 4.0"},  {"nt351", "Windows NT 3.51"},     {"winme", "Windows ME"},
        {"win98", "Windows 98"},     {"win95", "Windows 95"},          {"win31", "Windows 3.1"},
        {"win30", "Windows 3.0"},    {"win20", "Windows 2.0"},
    };
    const std::string key = lower(word);
    for (const auto& [wineName, shown] : names)
        if (key == wineName)
            return shown;
    return {};
}

} // namespace

const char* sourceWord(PrefixSource source) {
    switch (source) {
    case PrefixSource::Wine:
        return "wine";
    case PrefixSource::Steam:
        return "steam";
    case PrefixSource::SteamFlatpak:
        return "steam-flatpak";
    case PrefixSource::Lutris:
        return "lutris";
    case PrefixSource::Bottles:
        return "bottles";
    case PrefixSource::BottlesFlatpak:
        return "bottles-flatpak";
    case PrefixSource::Heroic:
        return "heroic";
    }
    return "wine";
}

std::vector<FoundPrefix> discoverPrefixes(const std::string& home) {
    Finder finder{fs::path(home)};
    finder.steam();
    finder.lutris();
    finder.bottles();
    finder.heroic();
    finder.plainWine();
    return finder.take();
}

std::string prefixWindowsVersion(const std::string& prefixPath) {
    const fs::path prefix(prefixPath);
    std::string text;
    if (readText(prefix / "user.reg", text)) {
        const std::string set =
            registryString(text, "\n[Software\\\\Wine]", {u"Software", u"Wine"}, u"Version");
        if (const std::string shown = versionFromWineName(set); !shown.empty())
            return shown;
    }
    if (!readText(prefix / "system.reg", text))
        return {};
    std::string product = registryString(
        text, "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion]",
        {u"Software", u"Microsoft", u"Windows NT", u"CurrentVersion"}, u"ProductName");
    if (product.empty())
        product = registryString(text, "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion]",
                                 {u"Software", u"Microsoft", u"Windows", u"CurrentVersion"},
                                 u"ProductName");
    return product;
}

} // namespace kestrel::wine
