#include "WineRegistry.h"

#include "../Codepage.h"
#include "RegFile.h"
#include "WineServer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <map>
#include <signal.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::wine {

namespace {

// The current user's key under HKEY_USERS, as Wine names it in every prefix.
constexpr char16_t CurrentUserSid[] = u"S-1-5-21-0-0-0-1000";
constexpr char16_t DefaultUser[] = u".Default";
// The longest names Wine keeps, in UTF-16 code units.
constexpr std::size_t MaxKeyName = 255;
constexpr std::size_t MaxValueName = 16383;

std::string errnoText(int error) {
    return std::strerror(error);
}

long errorCodeFor(int error) {
    return (error == EACCES || error == EPERM || error == EROFS) ? ERROR_ACCESS_DENIED
                                                                 : ERROR_WRITE_FAULT;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Reads the whole file straight into text: one copy, no buffer in between.
bool readWhole(const std::string& path, std::string& text, int& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return false;
    }
    text.clear();
    struct stat info {};
    if (fstat(fd, &info) == 0 && static_cast<std::uint64_t>(info.st_size) > RegFile::MaxSize) {
        error = EFBIG; // no registry file is that large; RegFile could not hold it
        close(fd);
        return false;
    }
    std::size_t size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 1 << 16;
    for (std::size_t done = 0;;) {
        if (done == size)
            size *= 2; // the file grew while being read
        text.resize(size);
        const ssize_t n = read(fd, text.data() + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
        if (done > RegFile::MaxSize) {
            error = EFBIG;
            close(fd);
            return false;
        }
        if (n == 0) {
            text.resize(done);
            break;
        }
    }
    close(fd);
    return true;
}

// Removes the temporary copies that saves killed midway left beside the file: those of
// processes that are gone (their id is in the name) and those of older versions (no id).
void clearStaleTemporaries(const std::string& folder, const std::string& base) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = "." + base + ".kestrel-";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        if (dash != std::string_view::npos) {
            const long pid = std::strtol(std::string(rest.substr(0, dash)).c_str(), nullptr, 10);
            if (pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
                continue; // its process may still be saving
        }
        unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}

// Writes text to path atomically: a temporary file in the same folder, flushed to disk, then
// renamed over the old file, whose mode it keeps. A link is followed and its target replaced,
// as Wine does. On failure the old file is untouched and error holds errno.
bool writeAtomically(const std::string& path, const std::string& text, int& error) {
    std::string target = path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    mode_t mode = 0644;
    struct stat info {};
    if (stat(target.c_str(), &info) == 0)
        mode = info.st_mode & 07777;

    clearStaleTemporaries(folder, base);
    std::string temp = folder + "/." + base + ".kestrel-" + std::to_string(getpid()) + "-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = errno;
        return false;
    }
    auto fail = [&](int e) {
        error = e;
        close(fd);
        unlink(temp.c_str());
        return false;
    };
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (fchmod(fd, mode) != 0 || fsync(fd) != 0)
        return fail(errno);
    if (close(fd) != 0) {
        error = errno;
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
        unlink(temp.c_str());
        return false;
    }
    // The folder is not flushed: after a crash it holds the old file or the new one, each whole.
    return true;
}

std::u16string utf16FromWide(const std::wstring& text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::wstring wideFromUtf16(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

bool isStringType(std::uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// What a write does, so that it can be applied to a file or handed to Wine.
struct Change {
    enum Kind { CreateKey, SetValue, DeleteValue, DeleteKey } kind;
    RegPath path;
    RegValue value; // SetValue: the value; DeleteValue: its name
};

} // namespace

struct WineRegistry::Impl {
    struct Preloaded {
        bool read = false;
        struct stat info {};
        RegFile file;
    };

    // Reads and parses a hive file away from the caller's thread; touches nothing shared.
    static Preloaded preloadFile(const std::string& path) {
        Preloaded result;
        std::string text;
        int error = 0;
        if (stat(path.c_str(), &result.info) != 0 || !readWhole(path, text, error))
            return result;
        result.file.load(std::move(text));
        result.read = true;
        return result;
    }

    struct Hive {
        std::string path;
        std::string rootComment;   // for a file that has to be started
        std::u16string importRoot; // the key's name in a Windows .reg file
        bool required = false;     // system.reg: without it the folder is no prefix
        RegFile file;
        bool loaded = false;
        bool exists = false;
        bool usable = false;
        struct stat info {};
        // The file as read in the background by preload(); taken over by the first refresh.
        std::future<Preloaded> preloaded;
    };

    // Where a handle's key lives: a hive and a path in it, or the HKEY_USERS root itself.
    struct Location {
        Hive* hive = nullptr;
        RegPath path;
        bool usersRoot = false;
    };

    struct OpenKey {
        RootKey root = 0;
        RegPath path; // below the predefined root
    };

    std::string prefix;
    unsigned codePage = 1252;
    Hive system, user, userDefault;
    std::map<RegHandle, OpenKey> handles;
    RegHandle nextHandle = 0x1000;
    std::string lastError;
    // Bumped whenever a hive's contents change, in memory or from its file.
    std::uint64_t generation = 1;

    // The values of the key listed last, so that enumerating them one index at a time reads
    // the key once.
    struct Listing {
        const Hive* hive = nullptr;
        RegPath path;
        std::uint64_t generation = 0;
        std::vector<RegValue> values;
    } listing;

    const std::vector<RegValue>& valuesOf(const Hive& hive, const RegPath& path) {
        if (listing.hive != &hive || listing.generation != generation || listing.path != path) {
            listing.values = hive.file.values(path);
            listing.hive = &hive;
            listing.path = path;
            listing.generation = generation;
        }
        return listing.values;
    }

    // A value's data as the "A" calls return it: strings in the ANSI code page, terminator
    // included when it was stored.
    std::string ansiData(const RegValue& value) const {
        if (!isStringType(value.type))
            return value.data;
        std::u16string text(value.data.size() / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] =
                static_cast<char16_t>(static_cast<unsigned char>(value.data[2 * i]) |
                                      (static_cast<unsigned char>(value.data[2 * i + 1]) << 8));
        return toAnsi(text);
    }

    std::u16string toUtf16(const std::string& ansi) const {
        return utf16FromWide(codepage::toWide(ansi, codePage));
    }
    std::string toAnsi(const std::u16string& text) const {
        return codepage::fromWide(wideFromUtf16(text), codePage);
    }

    RegPath split(const std::string& subKey) const {
        RegPath path;
        const std::u16string text = toUtf16(subKey);
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t sep = text.find(u'\\', start);
            if (sep == std::u16string::npos)
                sep = text.size();
            if (sep > start)
                path.push_back(text.substr(start, sep - start));
            start = sep + 1;
        }
        return path;
    }

    bool resolveHandle(RegHandle key, OpenKey& out) const {
        if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
            key == HKEY_USERS) {
            out = {static_cast<RootKey>(key), {}};
            return true;
        }
        const auto it = handles.find(key);
        if (it == handles.end())
            return false;
        out = it->second;
        return true;
    }

    bool locate(const OpenKey& key, Location& where) {
        where = {};
        switch (key.root) {
        case HKEY_LOCAL_MACHINE:
            where.hive = &system;
            where.path = key.path;
            return true;
        case HKEY_CURRENT_USER:
            where.hive = &user;
            where.path = key.path;
            return true;
        case HKEY_CLASSES_ROOT:
            where.hive = &system;
            where.path = {u"Software", u"Classes"};
            where.path.insert(where.path.end(), key.path.begin(), key.path.end());
            return true;
        case HKEY_USERS:
            if (key.path.empty()) {
                where.usersRoot = true;
                return true;
            }
            if (RegFile::compareNames(key.path[0], DefaultUser) == 0)
                where.hive = &userDefault;
            else if (RegFile::compareNames(key.path[0], CurrentUserSid) == 0)
                where.hive = &user;
            else
                return false;
            where.path.assign(key.path.begin() + 1, key.path.end());
            return true;
        default:
            return false;
        }
    }

    // The key of an open handle, its hive brought up to date; ERROR_SUCCESS when it exists.
    long existingKey(RegHandle key, Location& where) {
        OpenKey open;
        if (!resolveHandle(key, open) || !locate(open, where)) {
            lastError = "Invalid registry key handle.";
            return ERROR_INVALID_HANDLE;
        }
        if (where.usersRoot)
            return ERROR_SUCCESS;
        if (!refresh(*where.hive))
            return ERROR_ACCESS_DENIED;
        if (!where.hive->file.keyExists(where.path)) {
            lastError = "The key has been deleted.";
            return ERROR_KEY_DELETED;
        }
        return ERROR_SUCCESS;
    }

    // Brings a hive up to date with its file (read again when it changed on disk).
    bool refresh(Hive& hive) {
        // A preload still running is waited for; what it read is then checked against the
        // file like any earlier read, so a file changed since is read again.
        if (hive.preloaded.valid()) {
            Preloaded ready = hive.preloaded.get();
            if (ready.read && !hive.loaded) {
                hive.file = std::move(ready.file);
                hive.info = ready.info;
                hive.loaded = true;
                hive.exists = true;
                hive.usable = hive.file.hasWineHeader();
            }
        }
        struct stat info {};
        if (stat(hive.path.c_str(), &info) != 0) {
            const int error = errno;
            if (error == ENOENT && !hive.required) {
                // A missing user file is an empty hive; the first write creates it.
                if (!hive.loaded || hive.exists) {
                    hive.file.loadEmpty(std::string(hive.rootComment));
                    ++generation;
                    hive.loaded = true;
                    hive.exists = false;
                    hive.usable = true;
                }
                return true;
            }
            hive.loaded = false;
            hive.usable = false;
            lastError = error == ENOENT ? "The Wine prefix " + prefix +
                                              " has no system.reg: it is not a Wine prefix."
                                        : "Cannot read " + hive.path + ": " + errnoText(error);
            return false;
        }
        if (hive.loaded && hive.exists && sameFile(info, hive.info))
            return checkUsable(hive);
        std::string text;
        int error = 0;
        if (!readWhole(hive.path, text, error)) {
            hive.loaded = false;
            lastError = "Cannot read " + hive.path + ": " + errnoText(error);
            return false;
        }
        hive.file.load(std::move(text));
        ++generation;
        hive.info = info;
        hive.loaded = true;
        hive.exists = true;
        hive.usable = hive.file.hasWineHeader();
        return checkUsable(hive);
    }

    bool checkUsable(Hive& hive) {
        if (hive.usable)
            return true;
        lastError = hive.path +
                    " does not start with \"WINE REGISTRY Version 2\": Wine would not read it, "
                    "and Kestrel leaves it as it is.";
        return false;
    }

    // Holds the prefix's lock for the life of the object: Kestrel processes take turns to
    // read-change-write a registry file.
    struct PrefixLock {
        int fd = -1;
        explicit PrefixLock(const std::string& prefix) {
            fd = open(prefix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd >= 0)
                while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
                }
        }
        ~PrefixLock() {
            if (fd >= 0)
                close(fd); // releases the lock
        }
        PrefixLock(const PrefixLock&) = delete;
        PrefixLock& operator=(const PrefixLock&) = delete;
    };

    long apply(RegFile& file, const Change& change) {
        const std::uint64_t now = fileTimeNow();
        ++generation;
        switch (change.kind) {
        case Change::CreateKey:
            file.createKey(change.path, now);
            return ERROR_SUCCESS;
        case Change::SetValue:
            file.setValue(change.path, change.value, now);
            return ERROR_SUCCESS;
        case Change::DeleteValue:
            if (!file.keyExists(change.path))
                return ERROR_KEY_DELETED;
            return file.deleteValue(change.path, change.value.name, now) ? ERROR_SUCCESS
                                                                         : ERROR_FILE_NOT_FOUND;
        case Change::DeleteKey:
            return file.deleteKey(change.path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        }
        return ERROR_INVALID_PARAMETER;
    }

    // The change as a Windows .reg file for "wine reg import". Data goes as hex(type) so that it
    // arrives byte for byte, whatever its type.
    static std::u16string importText(const Hive& hive, const Change& change) {
        std::u16string key = hive.importRoot;
        for (const auto& name : change.path)
            key += u"\\" + name;
        // reg import reads \\, \", \n and \r in a value name.
        auto quoted = [](const std::u16string& name) {
            std::u16string out = u"\"";
            for (char16_t c : name) {
                if (c == u'\\' || c == u'"')
                    out.push_back(u'\\');
                if (c == u'\n' || c == u'\r') {
                    out.push_back(u'\\');
                    c = c == u'\n' ? u'n' : u'r';
                }
                out.push_back(c);
            }
            return out + u"\"";
        };
        std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
        switch (change.kind) {
        case Change::CreateKey:
            text += u"[" + key + u"]\r\n";
            break;
        case Change::DeleteKey:
            text += u"[-" + key + u"]\r\n";
            break;
        case Change::DeleteValue:
            text += u"[" + key + u"]\r\n" +
                    (change.value.name.empty() ? u"@" : quoted(change.value.name)) + u"=-\r\n";
            break;
        case Change::SetValue: {
            text += u"[" + key + u"]\r\n" +
                    (change.value.name.empty() ? u"@" : quoted(change.value.name)) + u"=hex(";
            static const char16_t digits[] = u"0123456789abcdef";
            std::u16string type;
            for (std::uint32_t t = change.value.type;; t >>= 4) {
                type.insert(type.begin(), digits[t & 0xF]);
                if (t < 16)
                    break;
            }
            text += type + u"):";
            for (std::size_t i = 0; i < change.value.data.size(); ++i) {
                const auto b = static_cast<unsigned char>(change.value.data[i]);
                if (i)
                    text += u",";
                text.push_back(digits[b >> 4]);
                text.push_back(digits[b & 0xF]);
            }
            text += u"\r\n";
            break;
        }
        }
        return text;
    }

    // Makes one change to a hive: on disk when no wineserver runs, else through Wine.
    long modify(Hive& hive, const Change& change) {
        long pid = 0;
        if (wineServerRunning(prefix, &pid))
            return modifyThroughWine(hive, change, pid);

        PrefixLock lock(prefix);
        if (!refresh(hive))
            return ERROR_ACCESS_DENIED;
        const long status = apply(hive.file, change);
        if (status != ERROR_SUCCESS)
            return status;
        int error = 0;
        if (!writeAtomically(hive.path, hive.file.text(), error)) {
            lastError =
                "Cannot save " + hive.path + ": " + errnoText(error) + ". The file is unchanged.";
            hive.loaded = false; // forget the change: the next call reads the file again
            ++generation;
            return errorCodeFor(error);
        }
        stat(hive.path.c_str(), &hive.info);
        hive.exists = true;
        // A server that started while the file was being written may have read it before the
        // change: hand the change to it too (making it twice does no harm).
        if (wineServerRunning(prefix) && wineInstalled()) {
            std::string error;
            if (!importThroughWine(prefix, importText(hive, change), error))
                lastError = error;
        }
        return ERROR_SUCCESS;
    }

    long modifyThroughWine(Hive& hive, const Change& change, long pid) {
        if (!wineInstalled()) {
            lastError = "Wine is running on the prefix " + prefix + " (wineserver process " +
                        std::to_string(pid) +
                        ") and would overwrite the change, but the wine program is not "
                        "installed here to make it through Wine. Close the prefix's Windows "
                        "programs (wineserver -k) and try again.";
            return ERROR_ACCESS_DENIED;
        }
        if (!refresh(hive))
            return ERROR_ACCESS_DENIED;
        // Check against what Kestrel sees first, so that results match the direct path.
        RegFile& file = hive.file;
        if (change.kind == Change::DeleteValue) {
            if (!file.keyExists(change.path))
                return ERROR_KEY_DELETED;
            if (!file.value(change.path, change.value.name))
                return ERROR_FILE_NOT_FOUND;
        }
        if (change.kind == Change::DeleteKey && !file.keyExists(change.path))
            return ERROR_FILE_NOT_FOUND;
        // A key name is written as it is between the brackets of a .reg file: a line break
        // would end it.
        for (const auto& name : change.path)
            if (name.find_first_of(u"\r\n") != std::u16string::npos) {
                lastError = "Wine is running on the prefix and a key name with a line break "
                            "cannot be handed to it. Close the prefix's Windows programs "
                            "(wineserver -k) and try again.";
                return ERROR_INVALID_PARAMETER;
            }
        std::string error;
        if (!importThroughWine(prefix, importText(hive, change), error)) {
            lastError = error;
            return ERROR_WRITE_FAULT;
        }
        // The live registry has it now and writes it to the file at its next save. Until the
        // file changes, Kestrel shows it from memory.
        return apply(file, change);
    }

    // False, with the reason, for names Wine would drop the next time it loads the registry.
    bool keepable(const Change& change) {
        if (change.kind == Change::DeleteKey || change.kind == Change::DeleteValue)
            return true;
        for (const auto& name : change.path)
            if (name.size() > MaxKeyName) {
                lastError = "A key name may have at most " + std::to_string(MaxKeyName) +
                            " characters (this one has " + std::to_string(name.size()) +
                            "): Wine would drop the key.";
                return false;
            }
        if (change.kind == Change::SetValue && change.value.name.size() > MaxValueName) {
            lastError = "A value name may have at most " + std::to_string(MaxValueName) +
                        " characters (this one has " + std::to_string(change.value.name.size()) +
                        "): Wine would drop the value.";
            return false;
        }
        return true;
    }

    long modifyAt(RegHandle key, const RegPath& below, Change change) {
        OpenKey open;
        if (!resolveHandle(key, open)) {
            lastError = "Invalid registry key handle.";
            return ERROR_INVALID_HANDLE;
        }
        open.path.insert(open.path.end(), below.begin(), below.end());
        Location where;
        if (!locate(open, where) || where.usersRoot) {
            lastError = "Keys directly under HKEY_USERS cannot be changed.";
            return ERROR_ACCESS_DENIED;
        }
        change.path = where.path;
        if (!keepable(change))
            return ERROR_INVALID_PARAMETER;
        const long status = modify(*where.hive, change);
        if (status == ERROR_SUCCESS)
            lastError.clear();
        return status;
    }
};

WineRegistry::WineRegistry(std::string prefixPath, unsigned codePage)
    : impl_(std::make_unique<Impl>()) {
    impl_->prefix = std::move(prefixPath);
    impl_->codePage = codePage;
    auto setUp = [&](Impl::Hive& hive, const char* file, const char* comment,
                     std::u16string importRoot) {
        hive.path = impl_->prefix + "/" + file;
        hive.rootComment = comment;
        hive.importRoot = std::move(importRoot);
    };
    setUp(impl_->system, "system.reg", "REGISTRY\\\\Machine", u"HKEY_LOCAL_MACHINE");
    setUp(impl_->user, "user.reg", "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000", u"HKEY_CURRENT_USER");
    setUp(impl_->userDefault, "userdef.reg", "REGISTRY\\\\User\\\\.Default",
          u"HKEY_USERS\\.Default");
    impl_->system.required = true;
}

WineRegistry::~WineRegistry() = default;

void WineRegistry::preload() {
    for (Impl::Hive* hive : {&impl_->system, &impl_->user, &impl_->userDefault})
        if (!hive->loaded && !hive->preloaded.valid())
            hive->preloaded = std::async(std::launch::async, &Impl::preloadFile, hive->path);
}

std::string WineRegistry::lastError() const {
    return impl_->lastError;
}

long WineRegistry::openKey(RegHandle key, const std::string& subKey, std::uint32_t,
                           RegHandle& result) {
    result = 0;
    Impl::OpenKey open;
    if (!impl_->resolveHandle(key, open)) {
        impl_->lastError = "Invalid registry key handle.";
        return ERROR_INVALID_HANDLE;
    }
    const RegPath below = impl_->split(subKey);
    open.path.insert(open.path.end(), below.begin(), below.end());
    Impl::Location where;
    if (!impl_->locate(open, where)) {
        impl_->lastError = "The key does not exist.";
        return ERROR_FILE_NOT_FOUND;
    }
    if (!where.usersRoot) {
        if (!impl_->refresh(*where.hive))
            return ERROR_ACCESS_DENIED;
        if (!where.hive->file.keyExists(where.path)) {
            impl_->lastError = "The key does not exist.";
            return ERROR_FILE_NOT_FOUND;
        }
    }
    result = impl_->nextHandle++;
    impl_->handles[result] = std::move(open);
    impl_->lastError.clear();
    return ERROR_SUCCESS;
}

long WineRegistry::createKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                             RegHandle& result) {
    const long opened = openKey(key, subKey, access, result);
    if (opened != ERROR_FILE_NOT_FOUND)
        return opened;
    const RegPath below = impl_->split(subKey);
    const long status = impl_->modifyAt(key, below, {Change::CreateKey, {}, {}});
    if (status != ERROR_SUCCESS)
        return status;
    return openKey(key, subKey, access, result);
}

long WineRegistry::queryValue(RegHandle key, const std::string& name, std::uint32_t& type,
                              std::uint8_t* data, std::uint32_t& size) {
    Impl::OpenKey open;
    Impl::Location where;
    if (!impl_->resolveHandle(key, open) || !impl_->locate(open, where)) {
        impl_->lastError = "Invalid registry key handle.";
        return ERROR_INVALID_HANDLE;
    }
    if (where.usersRoot) {
        impl_->lastError = "The value does not exist.";
        return ERROR_FILE_NOT_FOUND;
    }
    if (!impl_->refresh(*where.hive))
        return ERROR_ACCESS_DENIED;
    const RegFile& file = where.hive->file;
    if (!file.keyExists(where.path)) {
        impl_->lastError = "The key has been deleted.";
        return ERROR_KEY_DELETED;
    }
    const auto value = file.value(where.path, impl_->toUtf16(name));
    if (!value) {
        impl_->lastError = "The value does not exist.";
        return ERROR_FILE_NOT_FOUND;
    }
    const std::string bytes = impl_->ansiData(*value);
    type = value->type;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (data && needed > size) {
        size = needed;
        impl_->lastError = "The value is larger than the buffer.";
        return ERROR_MORE_DATA;
    }
    if (data && needed > 0)
        std::memcpy(data, bytes.data(), needed);
    size = needed;
    impl_->lastError.clear();
    return ERROR_SUCCESS;
}

long WineRegistry::setValue(RegHandle key, const std::string& name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
    RegValue value;
    value.name = impl_->toUtf16(name);
    value.type = type;
    const std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    if (isStringType(type)) {
        for (char16_t c : impl_->toUtf16(bytes)) {
            value.data.push_back(static_cast<char>(c & 0xFF));
            value.data.push_back(static_cast<char>(c >> 8));
        }
    } else {
        value.data = bytes;
    }
    Change change{Change::SetValue, {}, std::move(value)};
    return impl_->modifyAt(key, {}, std::move(change));
}

long WineRegistry::deleteValue(RegHandle key, const std::string& name) {
    Change change{Change::DeleteValue, {}, {}};
    change.value.name = impl_->toUtf16(name);
    const long status = impl_->modifyAt(key, {}, std::move(change));
    if (status == ERROR_FILE_NOT_FOUND)
        impl_->lastError = "The value does not exist.";
    return status;
}

long WineRegistry::deleteKey(RegHandle key, const std::string& subKey) {
    const RegPath below = impl_->split(subKey);
    if (below.empty()) {
        impl_->lastError = "No key to delete was named.";
        return ERROR_INVALID_PARAMETER;
    }
    Impl::OpenKey open;
    Impl::Location where;
    if (impl_->resolveHandle(key, open)) {
        open.path.insert(open.path.end(), below.begin(), below.end());
        // The hives themselves (HKEY_USERS\.Default, the user's SID) stay.
        if (impl_->locate(open, where) && where.path.empty()) {
            impl_->lastError = "This key cannot be deleted.";
            return ERROR_ACCESS_DENIED;
        }
    }
    const long status = impl_->modifyAt(key, below, {Change::DeleteKey, {}, {}});
    if (status == ERROR_FILE_NOT_FOUND)
        impl_->lastError = "The key does not exist.";
    return status;
}

long WineRegistry::enumKey(RegHandle key, std::uint32_t index, std::string& name) {
    Impl::OpenKey open;
    Impl::Location where;
    if (!impl_->resolveHandle(key, open) || !impl_->locate(open, where)) {
        impl_->lastError = "Invalid registry key handle.";
        return ERROR_INVALID_HANDLE;
    }
    if (where.usersRoot) {
        static const std::u16string users[] = {DefaultUser, CurrentUserSid};
        if (index >= 2)
            return ERROR_NO_MORE_ITEMS;
        name = impl_->toAnsi(users[index]);
        return ERROR_SUCCESS;
    }
    if (!impl_->refresh(*where.hive))
        return ERROR_ACCESS_DENIED;
    const RegFile& file = where.hive->file;
    if (!file.keyExists(where.path)) {
        impl_->lastError = "The key has been deleted.";
        return ERROR_KEY_DELETED;
    }
    std::u16string subkey;
    if (!file.subkeyAt(where.path, index, subkey))
        return ERROR_NO_MORE_ITEMS;
    name = impl_->toAnsi(subkey);
    return ERROR_SUCCESS;
}

long WineRegistry::enumValue(RegHandle key, std::uint32_t index, std::string& name,
                             std::uint32_t& type, std::string& data) {
    Impl::Location where;
    Impl::OpenKey open;
    // Past the first index the key listed last is taken as it was read for index 0: one
    // listing is one reading of the file.
    const auto& listing = impl_->listing;
    const bool continued = index > 0 && impl_->resolveHandle(key, open) &&
                           impl_->locate(open, where) && !where.usersRoot &&
                           listing.hive == where.hive && listing.generation == impl_->generation &&
                           listing.path == where.path;
    const long status = continued ? ERROR_SUCCESS : impl_->existingKey(key, where);
    if (status != ERROR_SUCCESS)
        return status;
    if (where.usersRoot)
        return ERROR_NO_MORE_ITEMS;
    const auto& values = impl_->valuesOf(*where.hive, where.path);
    if (index >= values.size())
        return ERROR_NO_MORE_ITEMS;
    name = impl_->toAnsi(values[index].name);
    type = values[index].type;
    data = impl_->ansiData(values[index]);
    return ERROR_SUCCESS;
}

long WineRegistry::deleteValueAt(RegHandle key, std::uint32_t index) {
    Impl::Location where;
    const long status = impl_->existingKey(key, where);
    if (status != ERROR_SUCCESS)
        return status;
    if (where.usersRoot)
        return ERROR_NO_MORE_ITEMS;
    const auto& values = impl_->valuesOf(*where.hive, where.path);
    if (index >= values.size())
        return ERROR_NO_MORE_ITEMS;
    Change change{Change::DeleteValue, {}, {}};
    change.value.name = values[index].name;
    return impl_->modifyAt(key, {}, std::move(change));
}

long WineRegistry::openSubkeyAt(RegHandle key, std::uint32_t index, RegHandle& result) {
    result = 0;
    Impl::OpenKey open;
    Impl::Location where;
    const long status = impl_->existingKey(key, where);
    if (status != ERROR_SUCCESS || !impl_->resolveHandle(key, open))
        return status;
    std::u16string name;
    if (where.usersRoot) {
        static const std::u16string users[] = {DefaultUser, CurrentUserSid};
        if (index >= 2)
            return ERROR_NO_MORE_ITEMS;
        name = users[index];
    } else if (!where.hive->file.subkeyAt(where.path, index, name)) {
        return ERROR_NO_MORE_ITEMS;
    }
    open.path.push_back(std::move(name));
    result = impl_->nextHandle++;
    impl_->handles[result] = std::move(open);
    return ERROR_SUCCESS;
}

long WineRegistry::closeKey(RegHandle key) {
    if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE ||
        key == HKEY_USERS)
        return ERROR_SUCCESS;
    if (impl_->handles.erase(key) == 0)
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

} // namespace kestrel::wine
