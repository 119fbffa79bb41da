#pragma once
// Starting host programs: waiting for their output, or detached.

#include <map>
#include <string>
#include <vector>

namespace kestrel::wine {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program could not be started or was killed
    std::string output; // standard output and standard error together
};

// Runs argv[0] (searched on PATH) with extra environment variables and waits for it. Its input
// is /dev/null unless keepInput (then this process's).
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::string>& environment = {},
                         bool keepInput = false);

// Starts argv[0] detached from this process (its own session, no waiting, standard streams on
// /dev/null); true when it was started.
bool startDetached(const std::vector<std::string>& argv,
                   const std::map<std::string, std::string>& environment = {});

// A program started with pipes on its standard input and output, for a conversation in lines.
// Nothing here waits without a bound: reads take a timeout, and a program that has ended or
// stops reading makes writes fail instead of stopping this process.
class PipedProcess {
public:
    PipedProcess() = default;
    // Ends the program as stop() does.
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    // Starts argv[0] (searched on PATH) with extra environment variables; its standard error
    // goes to /dev/null. False when it could not be started.
    bool start(const std::vector<std::string>& argv,
               const std::map<std::string, std::string>& environment = {});
    bool running() const { return pid_ > 0; }
    // Writes text and a line break to its input; false when it no longer reads.
    bool writeLine(const std::string& text);
    // One line of its output, without the line break (nor a CR before it), waiting at most
    // timeoutMs; false on timeout, at the end of its output, or on error.
    bool readLine(std::string& line, int timeoutMs);
    // Closes its input (a well-behaved program then ends), gives it graceMs to end, kills it
    // otherwise, and collects it.
    void stop(int graceMs = 300);

private:
    int pid_ = -1;
    int input_ = -1;  // our end of its standard input
    int output_ = -1; // our end of its standard output
    std::string pending_;
};

// True when a program of that name is on PATH.
bool programOnPath(const std::string& name);

} // namespace kestrel::wine
