#include "DosPaths.h"

#include "../Codepage.h"
#include "NameCase.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::wine {

namespace fs = std::filesystem;

namespace {

bool validComponent(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x20)
            return false;
        switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*':
            return false;
        default:
            break;
        }
    }
    return true;
}

// A path without a trailing slash (except for "/" itself).
std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

DosPaths::DosPaths(std::string prefixPath, unsigned codePage)
    : prefix_(withoutTrailingSlash(std::move(prefixPath))), codePage_(codePage) {}

std::string DosPaths::dosdevices() const {
    return prefix_ + "/dosdevices";
}

std::optional<DosPaths::Parsed> DosPaths::parse(const std::string& dosPath) {
    std::string path = dosPath;
    if (path.rfind("\\\\?\\", 0) == 0)
        path.erase(0, 4);
    if (path.size() < 2 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':')
        return std::nullopt;
    Parsed parsed;
    parsed.drive = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
    std::size_t pos = 2;
    while (pos <= path.size()) {
        const std::size_t end = std::min(path.find_first_of("\\/", pos), path.size());
        std::string name = path.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!parsed.components.empty())
                parsed.components.pop_back();
            continue;
        }
        if (!validComponent(name))
            return std::nullopt;
        parsed.components.push_back(std::move(name));
    }
    return parsed;
}

std::optional<std::string> DosPaths::driveRoot(char letter) const {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (lower < 'a' || lower > 'z')
        return std::nullopt;
    const fs::path link = fs::path(dosdevices()) / (std::string(1, lower) + ":");
    std::error_code ec;
    const auto status = fs::symlink_status(link, ec);
    if (ec || !fs::exists(status))
        return std::nullopt;
    if (!fs::is_symlink(status))
        return link.string();
    fs::path target = fs::read_symlink(link, ec);
    if (ec)
        return std::nullopt;
    if (target.is_relative())
        target = fs::path(dosdevices()) / target;
    return withoutTrailingSlash(target.lexically_normal().string());
}

std::optional<std::string> DosPaths::hostPath(const std::string& dosPath) const {
    const auto parsed = parse(dosPath);
    if (!parsed)
        return std::nullopt;
    const auto root = driveRoot(parsed->drive);
    if (!root)
        return std::nullopt;
    std::string current = *root;
    bool exists = true; // the folder "current" exists, so its entries can be searched
    for (const auto& component : parsed->components) {
        const std::wstring wide = codepage::toWide(component, codePage_);
        std::string name = codepage::toUtf8(wide);
        const std::string base = current == "/" ? "" : current;
        if (exists) {
            struct stat st;
            if (lstat((base + "/" + name).c_str(), &st) != 0) {
                // No entry of exactly that name: look for one that differs only in case.
                exists = false;
                std::error_code ec;
                for (fs::directory_iterator it(current, ec), end; !ec && it != end;
                     it.increment(ec)) {
                    const std::string entry = it->path().filename().string();
                    if (equalNoCase(codepage::fromUtf8(entry), wide)) {
                        name = entry;
                        exists = true;
                        break;
                    }
                }
            }
        }
        current = base + "/" + name;
    }
    return current;
}

std::optional<std::string> DosPaths::dosPath(const std::string& hostPath) const {
    if (hostPath.empty() || hostPath[0] != '/')
        return std::nullopt;
    const fs::path full = withoutTrailingSlash(fs::path(hostPath).lexically_normal().string());

    struct Root {
        char letter;
        dev_t dev;
        ino_t ino;
    };
    std::vector<Root> roots;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        struct stat st;
        const std::string link = dosdevices() + "/" + letter + ":";
        if (stat(link.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            roots.push_back({letter, st.st_dev, st.st_ino});
    }

    // From the path itself up to "/": the first folder that is a drive's root decides.
    std::vector<std::string> rest;
    fs::path current = full;
    while (true) {
        struct stat st;
        if (stat(current.c_str(), &st) == 0) {
            for (const auto& root : roots) {
                if (root.dev != st.st_dev || root.ino != st.st_ino)
                    continue;
                std::string dos =
                    std::string(1, static_cast<char>(std::toupper(root.letter))) + ":\\";
                for (auto it = rest.rbegin(); it != rest.rend(); ++it) {
                    const std::wstring wide = codepage::fromUtf8(*it);
                    const std::string ansi = codepage::fromWide(wide, codePage_);
                    if (codepage::toWide(ansi, codePage_) != wide)
                        return std::nullopt; // a name the code page cannot hold
                    if (it != rest.rbegin())
                        dos += '\\';
                    dos += ansi;
                }
                return dos;
            }
        }
        if (!current.has_relative_path())
            return std::nullopt;
        const std::string name = current.filename().string();
        if (!name.empty())
            rest.push_back(name);
        current = current.parent_path();
    }
}

} // namespace kestrel::wine
