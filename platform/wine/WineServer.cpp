#include "WineServer.h"

#include "Process.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestrel::wine {

namespace {

namespace fs = std::filesystem;

// The name of the folder a server of this prefix works in: server-<dev>-<ino> of the prefix
// folder (links followed), empty when the prefix cannot be examined.
std::string serverFolderName(const std::string& prefixPath) {
    struct stat info {};
    if (stat(prefixPath.c_str(), &info) != 0)
        return {};
    char server[64];
    std::snprintf(server, sizeof server, "server-%llx-%llx",
                  static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    return server;
}

// The lock files a server of this prefix may hold. Debian's Wine works in
// <TMPDIR of the prefix's first Wine process>/<contents of PREFIX/wineserver>/server-..., and
// that TMPDIR need not be ours, so every usual temporary folder is a candidate; upstream Wine
// and Proton work in /tmp/.wine-<uid>/server-....
// Each with the TMPDIR a Wine program needs to reach a server there (empty: any).
std::vector<std::pair<std::string, std::string>> lockCandidates(const std::string& prefixPath,
                                                                const std::string& server) {
    std::vector<std::pair<std::string, std::string>> out;
    std::ifstream named(prefixPath + "/wineserver");
    std::string folder;
    if (named && std::getline(named, folder) && !folder.empty() &&
        folder.find('/') == std::string::npos) {
        std::vector<std::string> bases;
        for (const char* variable : {"TMPDIR", "TMP", "TEMP", "XDG_RUNTIME_DIR"})
            if (const char* value = std::getenv(variable); value && *value == '/')
                bases.emplace_back(value);
        for (const char* base : {"/tmp", "/var/tmp", "/dev/shm"})
            bases.emplace_back(base);
        for (std::size_t i = 0; i < bases.size(); ++i)
            if (std::find(bases.begin(), bases.begin() + static_cast<std::ptrdiff_t>(i),
                          bases[i]) == bases.begin() + static_cast<std::ptrdiff_t>(i))
                out.emplace_back(bases[i] + "/" + folder + "/" + server + "/lock", bases[i]);
    }
    out.emplace_back("/tmp/.wine-" + std::to_string(getuid()) + "/" + server + "/lock", "");
    return out;
}

// The process holding a write lock on the file, or 0.
long lockHolder(const std::string& lockFile) {
    const int fd = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    const bool locked = fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
    close(fd);
    return locked ? std::max<long>(query.l_pid, 1) : 0;
}

// A running server process (wineserver64 on Debian, wineserver elsewhere) whose working folder,
// its server folder, belongs to this prefix, wherever that folder is; 0 when there is none.
// tmpDir receives the TMPDIR it was started with (the folder two levels above its own, unless
// that is /tmp/.wine-<uid>'s layout).
long serverProcess(const std::string& server, std::string& tmpDir) {
    DIR* proc = opendir("/proc");
    if (!proc)
        return 0;
    long found = 0;
    while (const dirent* entry = readdir(proc)) {
        const char* name = entry->d_name;
        if (*name < '1' || *name > '9')
            continue;
        const std::string base = std::string("/proc/") + name;
        char comm[32] = {};
        const int fd = open((base + "/comm").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const ssize_t n = read(fd, comm, sizeof comm - 1);
        close(fd);
        if (n <= 0)
            continue;
        const std::string_view command(comm, static_cast<std::size_t>(n));
        if (command != "wineserver\n" && command != "wineserver64\n")
            continue;
        char cwd[4096];
        const ssize_t length = readlink((base + "/cwd").c_str(), cwd, sizeof cwd - 1);
        if (length <= 0)
            continue;
        const std::string folder(cwd, static_cast<std::size_t>(length));
        const std::size_t slash = folder.rfind('/');
        if (slash == std::string::npos || folder.compare(slash + 1, std::string::npos, server))
            continue;
        found = std::strtol(name, nullptr, 10);
        const std::size_t parent = folder.rfind('/', slash - 1);
        const std::string parentName =
            parent == std::string::npos ? "" : folder.substr(parent + 1, slash - parent - 1);
        tmpDir = parent == std::string::npos || parentName.rfind(".wine-", 0) == 0
                     ? ""
                     : folder.substr(0, std::max<std::size_t>(parent, 1));
        break;
    }
    closedir(proc);
    return found;
}

// The server of the prefix: its process id (0 when none runs) and its TMPDIR.
long findServer(const std::string& prefixPath, std::string& tmpDir) {
    tmpDir.clear();
    const std::string server = serverFolderName(prefixPath);
    if (server.empty())
        return 0;
    for (const auto& [lockFile, base] : lockCandidates(prefixPath, server))
        if (const long holder = lockHolder(lockFile); holder != 0) {
            tmpDir = base;
            return holder;
        }
    return serverProcess(server, tmpDir);
}

} // namespace

bool wineServerRunning(const std::string& prefixPath, long* pid) {
    std::string tmpDir;
    const long holder = findServer(prefixPath, tmpDir);
    if (holder != 0 && pid)
        *pid = holder;
    return holder != 0;
}

bool wineInstalled() {
    return programOnPath("wine");
}

int runWine(const std::string& prefixPath, const std::vector<std::string>& args,
            std::string& output, bool keepInput) {
    std::vector<std::string> argv{"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::map<std::string, std::string> environment{{"WINEPREFIX", prefixPath},
                                                   {"WINEDEBUG", "-all"}};
    // A running server is reached through the TMPDIR it was started with; with another, wine
    // would start a second server on the same prefix.
    std::string tmpDir;
    if (findServer(prefixPath, tmpDir) != 0 && !tmpDir.empty())
        environment["TMPDIR"] = tmpDir;
    const ProcessResult result = runProcess(argv, environment, keepInput);
    output = result.output;
    return result.exitCode;
}

bool importThroughWine(const std::string& prefixPath, const std::u16string& regText,
                       std::string& error) {
    std::error_code ec;
    const fs::path temp = fs::path(prefixPath) / "drive_c" / "windows" / "temp";
    fs::create_directories(temp, ec);
    std::string name = (temp / "kestrel-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "cannot create a temporary file in " + temp.string();
        return false;
    }
    // UTF-16LE with its byte order mark, so that any name or text arrives unchanged.
    std::string bytes = "\xFF\xFE";
    for (char16_t c : regText) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    bool written = true;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    if (!written) {
        unlink(name.c_str());
        error = "cannot write " + name;
        return false;
    }
    const std::string dosName = "C:\\windows\\temp\\" + fs::path(name).filename().string();
    std::string output;
    const int exitCode = runWine(prefixPath, {"reg", "import", dosName}, output);
    unlink(name.c_str());
    if (exitCode != 0) {
        error = "Wine refused the change (wine reg import, exit code " + std::to_string(exitCode) +
                "): " + output;
        return false;
    }
    return true;
}

} // namespace kestrel::wine
