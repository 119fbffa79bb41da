#pragma once
// The "reg" command of Windows over a Wine prefix's registry files: query, add and delete, with
// the syntax, the messages and the exit status that Wine's own reg.exe has, so that a script can
// use one for the other.

#include <iosfwd>
#include <string>
#include <vector>

namespace kestrel::wine {
class WineRegistry;
}

namespace kestrel::regtool {

// Runs one command line (the words after the program name, without --prefix) on the registry.
// What reg prints goes to out (lines end with CR LF, as reg.exe writes them); confirmation
// questions read their answer from answers. Returns the exit status: 0 success, 1 failure.
int run(const std::vector<std::string>& args, wine::WineRegistry& registry, std::string& out,
        std::istream& answers);

} // namespace kestrel::regtool
