#include "Process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kestrel::wine {

namespace {

// environ with the given variables added or replaced.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (!extra.count(name))
            env.push_back(entry);
    }
    for (const auto& [name, value] : extra)
        env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment) {
    ProcessResult result;
    if (argv.empty())
        return result;
    // The output goes to an unlinked temporary file, not a pipe: a program may leave a helper
    // running that inherits its standard streams (wine leaves a wineserver), and reading a pipe
    // to its end would then wait for that helper too. Only the program itself is waited for.
    const char* tmp = std::getenv("TMPDIR");
    std::string outputName = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrel-run-XXXXXX";
    const int outputFd = mkostemp(outputName.data(), O_CLOEXEC);
    if (outputFd < 0)
        return result;
    unlink(outputName.c_str());

    auto args = argv;
    auto env = environmentWith(environment);
    auto argp = pointers(args);
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
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t n = pread(outputFd, buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        result.output.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    close(outputFd);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool startDetached(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment) {
    if (argv.empty())
        return false;
    auto args = argv;
    auto env = environmentWith(environment);
    auto argp = pointers(args);
    auto envp = pointers(env);

    // Double fork: the grandchild runs the program in its own session and is adopted by init,
    // so nobody has to wait for it. A pipe with close-on-exec tells whether exec succeeded.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        close(pipeFds[0]);
        if (fork() != 0)
            _exit(0);
        setsid();
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        execvpe(argp[0], argp.data(), envp.data());
        const char failed = 1;
        [[maybe_unused]] auto ignored = write(pipeFds[1], &failed, 1);
        _exit(127);
    }
    close(pipeFds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    char failed = 0;
    ssize_t n;
    while ((n = read(pipeFds[0], &failed, 1)) < 0 && errno == EINTR) {
    }
    close(pipeFds[0]);
    return n == 0;
}

bool programOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::filesystem::path candidate =
            std::filesystem::path(dirs.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace kestrel::wine
