#pragma once
// kestrel-reg's history commands on a Wine prefix:
//   history                  the saves, newest first, each with its changes
//   undo [N]                 undoes save N (the newest save when N is left out)
//   export N|--since DATE FILE   writes save N, or every save since DATE (YYYY-MM-DD, local
//                            time), as a REGEDIT4 file for regedit /s

#include <string>
#include <vector>

namespace kestrel::regtool {

// True when args is one of the history commands.
bool isHistoryCommand(const std::vector<std::string>& args);

// Runs it on the prefix; what it prints goes to out. Returns the exit status (0 success).
int runHistory(const std::vector<std::string>& args, const std::string& prefix, std::string& out);

} // namespace kestrel::regtool
