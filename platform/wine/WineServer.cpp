#include "WineServer.h"

#include "Process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kestrel::wine {

namespace {

namespace fs = std::filesystem;

// The lock files a server of this prefix would hold, in the order Wine builds use them.
std::vector<std::string> lockCandidates(const std::string& prefixPath) {
    std::vector<std::string> out;
    struct stat info {};
    if (stat(prefixPath.c_str(), &info) != 0)
        return out;
    char server[64];
    std::snprintf(server, sizeof server, "server-%llx-%llx",
                  static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    // Debian's Wine: a folder named in the prefix's "wineserver" file, under TMPDIR.
    std::ifstream named(prefixPath + "/wineserver");
    std::string folder;
    if (named && std::getline(named, folder) && !folder.empty() &&
        folder.find('/') == std::string::npos) {
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = tmp && *tmp ? tmp : "/tmp";
        out.push_back(base + "/" + folder + "/" + server + "/lock");
    }
    // Upstream Wine and Proton.
    out.push_back("/tmp/.wine-" + std::to_string(getuid()) + "/" + server + "/lock");
    return out;
}

} // namespace

bool wineServerRunning(const std::string& prefixPath, long* pid) {
    for (const auto& lockFile : lockCandidates(prefixPath)) {
        const int fd = open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct flock query {};
        query.l_type = F_WRLCK;
        query.l_whence = SEEK_SET;
        query.l_start = 0;
        query.l_len = 0;
        const bool locked = fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
        close(fd);
        if (locked) {
            if (pid)
                *pid = static_cast<long>(query.l_pid);
            return true;
        }
    }
    return false;
}

bool wineInstalled() {
    return programOnPath("wine");
}

int runWine(const std::string& prefixPath, const std::vector<std::string>& args,
            std::string& output) {
    output.clear();
    const char* tmp = std::getenv("TMPDIR");
    std::string outputName = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrel-wine-XXXXXX";
    const int outputFd = mkostemp(outputName.data(), O_CLOEXEC);
    if (outputFd < 0)
        return -1;
    unlink(outputName.c_str());

    std::vector<std::string> argv{"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("WINEPREFIX=", 0) != 0 && entry.rfind("WINEDEBUG=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("WINEPREFIX=" + prefixPath);
    env.push_back("WINEDEBUG=-all");
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> out;
        for (auto& s : strings)
            out.push_back(s.data());
        out.push_back(nullptr);
        return out;
    };
    auto argp = pointers(argv);
    auto envp = pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        close(outputFd);
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t n = pread(outputFd, buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    close(outputFd);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
