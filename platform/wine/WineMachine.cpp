#include "WineMachine.h"

#include "../Codepage.h"
#include "../IconResources.h"
#include "DosAttributes.h"
#include "DosPaths.h"
#include "Drives.h"
#include "HelperShellWindows.h"
#include "NameCase.h"
#include "Process.h"
#include "ProfileFile.h"
#include "Subst.h"
#include "SystemFacts.h"
#include "WineRegistry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace kestrel::wine {

namespace fs = std::filesystem;

namespace {

bool readWhole(const std::string& hostPath, std::string& bytes) {
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string out;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    bytes = std::move(out);
    return true;
}

// Replaces a file's contents atomically: a temporary file beside it, renamed over it. An
// existing file keeps its permissions and DOS attributes; a read-only one is refused, as
// Windows refuses to overwrite it. `like` gives the permissions and DOS attributes of a new file
// (CopyFile takes them from its source).
bool replaceFile(const std::string& hostPath, const std::string& bytes,
                 const char* like = nullptr) {
    std::error_code ec;
    std::string target = hostPath;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path real = fs::canonical(target, ec);
        if (ec)
            return false;
        target = real.string();
    }
    struct stat st;
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && (S_ISDIR(st.st_mode) || !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))))
        return false;
    const char* model = like ? like : (exists ? target.c_str() : nullptr);
    struct stat modelStat;
    const bool haveModel = model && stat(model, &modelStat) == 0;

    const fs::path dir = fs::path(target).parent_path();
    std::string temp = (dir / ("." + fs::path(target).filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    if (ok) {
        // mkstemp makes 0600; a new file gets the usual 0666 within the creation mask.
        mode_t mode = 0;
        if (haveModel) {
            mode = modelStat.st_mode & 07777;
        } else {
            const mode_t mask = umask(022);
            umask(mask);
            mode = 0666 & ~mask;
        }
        ok = fchmod(fd, mode) == 0;
    }
    if (ok && haveModel) {
        char value[64];
        const ssize_t n = getxattr(model, "user.DOSATTRIB", value, sizeof value);
        if (n > 0)
            fsetxattr(fd, "user.DOSATTRIB", value, static_cast<std::size_t>(n), 0);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok)
        ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

// Splits a command line into words as Windows programs split theirs: blanks separate words,
// double quotes group, a backslash escapes a quote.
std::vector<std::string> commandWords(const std::string& text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size())
            break;
        std::string word;
        bool quoted = false;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            if (c == '\\') {
                std::size_t slashes = 0;
                while (i < text.size() && text[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < text.size() && text[i] == '"') {
                    word.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        word += '"';
                        continue;
                    }
                    --i; // the quote is seen again below as a quote
                } else {
                    word.append(slashes, '\\');
                    --i;
                }
                continue;
            }
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            word += c;
        }
        out.push_back(word);
    }
    return out;
}

} // namespace

struct WineMachine::Impl {
    Impl(std::string prefix, unsigned cp)
        : prefixPath(std::move(prefix)), codePage(cp), paths(prefixPath, cp),
          registry(prefixPath, cp), subst(prefixPath, cp) {}

    std::string prefixPath;
    unsigned codePage;
    DosPaths paths;
    WineRegistry registry;
    Subst subst;
    std::function<DisplayMode()> displayModeProvider;

    // A string value of the registry, empty when it cannot be read.
    std::string registryString(RootKey root, const std::string& key, const std::string& name) {
        RegHandle handle = 0;
        if (registry.openKey(root, key, KEY_READ, handle) != ERROR_SUCCESS)
            return {};
        std::string value;
        std::uint32_t type = 0, size = 0;
        if (registry.queryValue(handle, name, type, nullptr, size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::string buffer(size + 1, '\0');
            size = static_cast<std::uint32_t>(buffer.size());
            if (registry.queryValue(handle, name, type,
                                    reinterpret_cast<std::uint8_t*>(buffer.data()),
                                    size) == ERROR_SUCCESS)
                value = buffer.substr(0, std::min<std::size_t>(buffer.find('\0'), size));
        }
        registry.closeKey(handle);
        return value;
    }

    // Wine shows dot files as plain files only when HKCU\Software\Wine ShowDotFiles says so.
    bool showDotFiles() {
        const std::string value =
            registryString(HKEY_CURRENT_USER, "Software\\Wine", "ShowDotFiles");
        return !value.empty() && std::string("yYtT1").find(value[0]) != std::string::npos;
    }

    std::optional<std::string> host(const std::string& dosPath) const {
        return paths.hostPath(dosPath);
    }

    // A profile file named without a folder lives in the Windows directory.
    std::string profilePath(const std::string& file) const {
        if (file.find_first_of("\\/:") == std::string::npos)
            return "C:\\windows\\" + file;
        return file;
    }
};

WineMachine::WineMachine(std::string prefixPath)
    : impl_(std::make_unique<Impl>(std::move(prefixPath), codepage::forEnvironment())) {}

WineMachine::~WineMachine() = default;

const std::string& WineMachine::prefixPath() const {
    return impl_->prefixPath;
}

void WineMachine::setDisplayModeProvider(std::function<DisplayMode()> provider) {
    impl_->displayModeProvider = std::move(provider);
}

std::string WineMachine::description() const {
    return "Wine prefix " + impl_->prefixPath;
}

unsigned WineMachine::ansiCodePage() const {
    return impl_->codePage;
}

Registry& WineMachine::registry() {
    return impl_->registry;
}

// --- Files ---------------------------------------------------------------------------------------

std::uint32_t WineMachine::getFileAttributes(const std::string& path) {
    const auto parsed = DosPaths::parse(path);
    const auto host = impl_->host(path);
    if (!parsed || !host)
        return INVALID_FILE_ATTRIBUTES;
    const bool dot = !parsed->components.empty() && isDotName(parsed->components.back());
    return readDosAttributes(*host, dot && !impl_->showDotFiles());
}

bool WineMachine::setFileAttributes(const std::string& path, std::uint32_t attributes) {
    const auto host = impl_->host(path);
    return host && writeDosAttributes(*host, attributes);
}

bool WineMachine::fileExists(const std::string& path) {
    const auto host = impl_->host(path);
    struct stat st;
    return host && stat(host->c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool WineMachine::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    const auto source = impl_->host(from);
    const auto target = impl_->host(to);
    if (!source || !target)
        return false;
    std::string bytes;
    if (!readWhole(*source, bytes))
        return false;
    struct stat st;
    if (stat(target->c_str(), &st) == 0) {
        if (failIfExists)
            return false;
        std::error_code ec;
        if (fs::equivalent(*source, *target, ec))
            return false; // copying a file onto itself would empty it on Windows; refuse
    }
    if (!fs::is_directory(fs::path(*target).parent_path()))
        return false;
    return replaceFile(*target, bytes, source->c_str());
}

bool WineMachine::readFile(const std::string& path, std::string& bytes) {
    const auto host = impl_->host(path);
    return host && readWhole(*host, bytes);
}

bool WineMachine::deleteFile(const std::string& path) {
    const auto host = impl_->host(path);
    std::error_code ec;
    return host && fs::is_regular_file(*host, ec) && fs::remove(*host, ec);
}

bool WineMachine::writeFile(const std::string& path, const std::string& bytes) {
    const auto host = impl_->host(path);
    if (!host || !fs::is_directory(fs::path(*host).parent_path()))
        return false;
    if (!replaceFile(*host, bytes))
        return false;
    // A host program written into the prefix (on a prefix the automount launcher is one) must be
    // executable, or Wine cannot start it.
    if (bytes.rfind("\x7f"
                    "ELF",
                    0) == 0) {
        std::error_code ec;
        fs::permissions(*host,
                        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add, ec);
    }
    return true;
}

bool WineMachine::listFolders(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    const auto host = impl_->host(folder);
    if (!host)
        return false;
    std::error_code ec;
    fs::directory_iterator it(*host, ec);
    if (ec)
        return false;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            return false;
        std::error_code typeError;
        if (!it->is_directory(typeError))
            continue;
        const std::wstring wide = codepage::fromUtf8(it->path().filename().string());
        const std::string ansi = codepage::fromWide(wide, impl_->codePage);
        if (codepage::toWide(ansi, impl_->codePage) == wide) // names the code page can hold
            names.push_back(ansi);
    }
    return true;
}

std::string WineMachine::dosPathFromHost(const std::string& hostPath) {
    return impl_->paths.dosPath(hostPath).value_or("");
}

std::string WineMachine::hostPathFromDos(const std::string& dosPath) {
    return impl_->paths.hostPath(dosPath).value_or("");
}

// --- Icons in files
// -------------------------------------------------------------------------------

namespace {

// The icon reader's random access to a host file, one pread per request.
class HostFileSource {
public:
    explicit HostFileSource(const std::string& hostPath)
        : fd_(open(hostPath.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat st;
        if (fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            source_.size = static_cast<std::uint64_t>(st.st_size);
        source_.read = [fd = fd_](std::uint64_t offset, std::uint32_t length, std::string& out) {
            out.resize(length);
            std::size_t done = 0;
            while (done < length) {
                const ssize_t n =
                    pread(fd, out.data() + done, length - done, static_cast<off_t>(offset + done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return false;
                done += static_cast<std::size_t>(n);
            }
            return true;
        };
    }
    ~HostFileSource() {
        if (fd_ >= 0)
            close(fd_);
    }
    HostFileSource(const HostFileSource&) = delete;
    HostFileSource& operator=(const HostFileSource&) = delete;

    // An empty source (size 0) when the file cannot be opened.
    const icons::ByteSource& source() const { return source_; }

private:
    int fd_;
    icons::ByteSource source_;
};

} // namespace

std::uint32_t WineMachine::iconCount(const std::string& file) {
    const auto host = impl_->host(file);
    if (!host)
        return 0;
    HostFileSource source(*host);
    return icons::countIcons(source.source());
}

bool WineMachine::extractIcon(const std::string& file, std::uint32_t index, std::string& icoBytes) {
    const auto host = impl_->host(file);
    if (!host)
        return false;
    HostFileSource source(*host);
    return icons::extractIcon(source.source(), index, icoBytes);
}

// --- Private-profile files
// -------------------------------------------------------------------------

std::uint32_t WineMachine::getPrivateProfileString(const std::string& section,
                                                   const std::string& key,
                                                   const std::string& defaultValue,
                                                   std::string& result, std::uint32_t size,
                                                   const std::string& file) {
    std::string bytes;
    const auto host = impl_->host(impl_->profilePath(file));
    const bool read = host && readWhole(*host, bytes);
    return profile::getString(read ? &bytes : nullptr, section, key, defaultValue, result, size,
                              impl_->codePage);
}

bool WineMachine::writePrivateProfileString(const std::string& section, const std::string& key,
                                            const std::string& value, const std::string& file) {
    const auto host = impl_->host(impl_->profilePath(file));
    if (!host)
        return false;
    std::string bytes;
    struct stat st;
    const bool exists = stat(host->c_str(), &st) == 0;
    if (exists && !readWhole(*host, bytes))
        return false;
    const std::string changed = profile::setString(bytes, section, key, value, impl_->codePage);
    if (exists && changed == bytes)
        return true;
    if (!exists && !fs::is_directory(fs::path(*host).parent_path()))
        return false;
    return replaceFile(*host, changed);
}

// --- Drives and folders
// ----------------------------------------------------------------------------

std::uint32_t WineMachine::getDriveType(const std::string& root) {
    const char letter = rootLetter(root);
    if (!letter)
        return DRIVE_NO_ROOT_DIR;
    const std::string declared = impl_->registryString(HKEY_LOCAL_MACHINE, "Software\\Wine\\Drives",
                                                       std::string(1, letter) + ":");
    return driveType(impl_->paths, letter, declared);
}

std::string WineMachine::logicalDrives() {
    return wine::logicalDrives(impl_->paths);
}

std::string WineMachine::windowsDirectory() {
    return "C:\\windows";
}

std::string WineMachine::systemDirectory() {
    return "C:\\windows\\system32";
}

// --- Commands
// --------------------------------------------------------------------------------------

bool WineMachine::winExec(const std::string& commandLine, int /*showCommand*/) {
    if (Subst::isSubstCommand(commandLine))
        return impl_->subst.run(commandLine) == Subst::Result::Done;

    const auto words = commandWords(commandLine);
    if (words.empty())
        return false;
    const std::string program = asciiLower(words[0]);
    if (program == "explorer" || program == "explorer.exe") {
        // The rest of the line is the address: a web address, or a DOS path shown as the
        // host folder it stands for.
        std::string address = commandLine.substr(commandLine.find_first_not_of(" \t"));
        address = address.substr(words[0].size() + (address[0] == '"' ? 2 : 0));
        address.erase(0, address.find_first_not_of(" \t"));
        while (!address.empty() && (address.back() == ' ' || address.back() == '\t'))
            address.pop_back();
        if (address.size() >= 2 && address.front() == '"' && address.back() == '"')
            address = address.substr(1, address.size() - 2);
        if (address.empty() || !programOnPath("xdg-open"))
            return false;
        if (const auto host = impl_->host(address); host && fs::exists(*host))
            address = *host;
        return startDetached({"xdg-open", address});
    }

    if (!programOnPath("wine"))
        return false;
    // An unquoted program path may contain blanks: as CreateProcess does, take the shortest
    // run of words that names an existing program.
    std::vector<std::string> argv{"wine"};
    std::size_t used = 1;
    const std::string trimmed = commandLine.substr(commandLine.find_first_not_of(" \t"));
    if (trimmed[0] != '"') {
        std::string candidate;
        for (std::size_t i = 0; i < words.size(); ++i) {
            candidate += (i ? " " : "") + words[i];
            const auto host = impl_->host(candidate);
            const auto exe = impl_->host(candidate + ".exe");
            struct stat st;
            if ((host && stat(host->c_str(), &st) == 0 && S_ISREG(st.st_mode)) ||
                (exe && stat(exe->c_str(), &st) == 0 && S_ISREG(st.st_mode))) {
                argv.push_back(candidate);
                used = i + 1;
                break;
            }
        }
    }
    if (argv.size() == 1)
        argv.push_back(words[0]);
    argv.insert(argv.end(), words.begin() + static_cast<std::ptrdiff_t>(used), words.end());
    return startDetached(argv, {{"WINEPREFIX", impl_->prefixPath}});
}

// --- System facts
// ----------------------------------------------------------------------------------

std::uint32_t WineMachine::platformId() {
    const std::string version =
        asciiLower(impl_->registryString(HKEY_CURRENT_USER, "Software\\Wine", "Version"));
    if (version == "win95" || version == "win98" || version == "winme")
        return VER_PLATFORM_WIN32_WINDOWS;
    if (version == "win20" || version == "win30" || version == "win31")
        return 0; // Win32s
    return VER_PLATFORM_WIN32_NT;
}

std::string WineMachine::computerName() {
    return wineComputerName();
}

std::string WineMachine::userName() {
    return wineUserName();
}

void WineMachine::preloadRegistry() {
    impl_->registry.preload();
}

std::uint32_t WineMachine::tickCount() {
    return wineTickCount();
}

DisplayMode WineMachine::displayMode() {
    return impl_->displayModeProvider ? impl_->displayModeProvider() : DisplayMode{};
}

std::unique_ptr<ShellWindows> WineMachine::openShellWindows(const std::string& helperImage) {
    return openHelperShellWindows(prefixPath(), helperImage);
}

} // namespace kestrel::wine
