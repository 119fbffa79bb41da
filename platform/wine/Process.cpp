#include "Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pthread.h>
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
                         const std::map<std::string, std::string>& environment, bool keepInput) {
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
    if (!keepInput)
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
    // Nothing else of ours is handed down: a helper the program leaves running must not keep
    // our other descriptors open.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
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

namespace kestrel::wine {

PipedProcess::~PipedProcess() {
    stop();
}

bool PipedProcess::start(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment) {
    if (argv.empty() || running())
        return false;
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return false;
    }
    auto args = argv;
    auto env = environmentWith(environment);
    auto argp = pointers(args);
    auto envp = pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    if (rc != 0) {
        close(toChild[1]);
        close(fromChild[0]);
        return false;
    }
    pid_ = pid;
    input_ = toChild[1];
    output_ = fromChild[0];
    pending_.clear();
    return true;
}

bool PipedProcess::writeLine(const std::string& text) {
    if (input_ < 0)
        return false;
    const std::string data = text + "\n";
    // A program that has ended would answer the write with SIGPIPE, which ends this process by
    // default: hold the signal back for this thread and swallow it.
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    std::size_t written = 0;
    bool ok = true;
    while (written < data.size()) {
        const ssize_t n = write(input_, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (!ok && errno == EPIPE) {
        const timespec none{};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

bool PipedProcess::readLine(std::string& line, int timeoutMs) {
    if (output_ < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            pending_.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{output_, POLLIN, 0};
        const int n = poll(&ready, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        char buffer[512];
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

void PipedProcess::stop(int graceMs) {
    if (input_ >= 0)
        close(input_);
    input_ = -1;
    if (output_ >= 0)
        close(output_);
    output_ = -1;
    pending_.clear();
    if (pid_ <= 0)
        return;
    int status = 0;
    for (int waited = 0;; waited += 10) {
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR))
            break;
        if (waited >= graceMs) {
            kill(pid_, SIGKILL);
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        usleep(10000);
    }
    pid_ = -1;
}

} // namespace kestrel::wine
