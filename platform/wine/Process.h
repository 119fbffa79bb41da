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

// True when a program of that name is on PATH.
bool programOnPath(const std::string& name);

} // namespace kestrel::wine
