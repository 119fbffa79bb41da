#pragma once
// The subst command carried out on a Wine prefix.
//
// Wine 8's own subst.exe does nothing, so Kestrel maps a drive letter itself: "Subst E:
// "C:\Games"" makes the link dosdevices/e: to the folder's host path, "Subst /D E:" removes it.
// Like the real command it refuses a letter already in use and a folder that does not exist,
// and it unmaps only letters it mapped itself: C:, Z: and every drive the user set up survive
// "Subst /D". The letters it mapped are recorded in the prefix (file ".kestrel-subst", one line
// "e: /host/target" per letter), so Kestrel and the automount launcher share one record.

#include "DosPaths.h"

#include <string>
#include <utility>
#include <vector>

namespace kestrel::wine {

class Subst {
public:
    enum class Result {
        Done,
        NotSubst,       // the command line is not a subst command
        BadSyntax,      // a subst command that cannot be understood
        LetterInUse,    // the letter already stands for a drive
        FolderMissing,  // the folder does not exist (or is not a folder)
        NotSubstituted, // /D for a letter subst did not make
        Failed,         // the link or the record could not be written
    };

    Subst(std::string prefixPath, unsigned codePage);

    // True when the command line's program is subst ("subst", "SUBST.EXE", "C:\...\subst.exe").
    static bool isSubstCommand(const std::string& commandLine);

    // Carries out a subst command line: "Subst E: "C:\Games"", "subst e: C:\Games",
    // "Subst /D E:", "Subst E: /D". Without arguments it lists, which changes nothing (Done).
    Result run(const std::string& commandLine);

    Result map(char letter, const std::string& dosFolder);
    Result unmap(char letter);

    // The letters subst mapped that still stand as it left them, with their host targets.
    std::vector<std::pair<char, std::string>> mapped() const;

    // A sentence for the user about a result.
    static std::string message(Result result);

    std::string recordPath() const;

private:
    bool writeRecord(const std::vector<std::pair<char, std::string>>& entries) const;
    std::string linkPath(char letter) const;

    std::string prefix_;
    DosPaths paths_;
};

// For the automount launcher on a Wine host: carries out one subst command line in the prefix
// Wine uses (WINEPREFIX, else ~/.wine), with the ANSI code page of the locale.
Subst::Result runSubstCommandLine(const std::string& commandLine);

} // namespace kestrel::wine
