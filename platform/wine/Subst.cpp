#include "Subst.h"

#include "../Codepage.h"
#include "WinePrefix.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrel::wine {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Splits a command line at blanks; double quotes group blanks into a word and are dropped.
std::vector<std::string> words(const std::string& commandLine) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        out.push_back(word);
    return out;
}

bool isProgramSubst(const std::string& word) {
    const std::size_t slash = word.find_last_of("\\/");
    const std::string name = lower(slash == std::string::npos ? word : word.substr(slash + 1));
    return name == "subst" || name == "subst.exe";
}

// "E:" → 'e'; anything else → 0.
char driveWord(const std::string& word) {
    if (word.size() != 2 || word[1] != ':' || !std::isalpha(static_cast<unsigned char>(word[0])))
        return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(word[0])));
}

} // namespace

Subst::Subst(std::string prefixPath, unsigned codePage)
    : prefix_(std::move(prefixPath)), paths_(prefix_, codePage) {}

std::string Subst::recordPath() const {
    return prefix_ + "/.kestrel-subst";
}

std::string Subst::linkPath(char letter) const {
    return paths_.dosdevices() + "/" + letter + ":";
}

bool Subst::isSubstCommand(const std::string& commandLine) {
    const auto w = words(commandLine);
    return !w.empty() && isProgramSubst(w[0]);
}

Subst::Result Subst::run(const std::string& commandLine) {
    const auto w = words(commandLine);
    if (w.empty() || !isProgramSubst(w[0]))
        return Result::NotSubst;
    if (w.size() == 1)
        return Result::Done;
    if (w.size() == 3) {
        const bool deleteFirst = lower(w[1]) == "/d";
        const bool deleteLast = lower(w[2]) == "/d";
        if (deleteFirst && driveWord(w[2]))
            return unmap(driveWord(w[2]));
        if (deleteLast && driveWord(w[1]))
            return unmap(driveWord(w[1]));
        if (driveWord(w[1]) && !deleteFirst && !deleteLast)
            return map(driveWord(w[1]), w[2]);
    }
    return Result::BadSyntax;
}

Subst::Result Subst::map(char letter, const std::string& dosFolder) {
    letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (letter < 'a' || letter > 'z')
        return Result::BadSyntax;
    struct stat st;
    if (lstat(linkPath(letter).c_str(), &st) == 0)
        return Result::LetterInUse;
    const auto host = paths_.hostPath(dosFolder);
    if (!host)
        return Result::FolderMissing;
    std::error_code ec;
    const fs::path folder = fs::canonical(*host, ec);
    if (ec || !fs::is_directory(folder, ec) || folder.string().find('\n') != std::string::npos)
        return Result::FolderMissing;

    auto entries = mapped();
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const auto& e) { return e.first == letter; }),
                  entries.end());
    fs::create_directories(paths_.dosdevices(), ec);
    if (symlink(folder.c_str(), linkPath(letter).c_str()) != 0)
        return Result::Failed;
    entries.emplace_back(letter, folder.string());
    if (!writeRecord(entries)) {
        unlink(linkPath(letter).c_str());
        return Result::Failed;
    }
    return Result::Done;
}

Subst::Result Subst::unmap(char letter) {
    letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    auto entries = mapped();
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const auto& e) { return e.first == letter; });
    if (it == entries.end())
        return Result::NotSubstituted;
    if (unlink(linkPath(letter).c_str()) != 0)
        return Result::Failed;
    entries.erase(it);
    return writeRecord(entries) ? Result::Done : Result::Failed;
}

std::vector<std::pair<char, std::string>> Subst::mapped() const {
    std::vector<std::pair<char, std::string>> entries;
    std::ifstream in(recordPath());
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 4 || line[1] != ':' || line[2] != ' ' || line[0] < 'a' || line[0] > 'z')
            continue;
        const char letter = line[0];
        const std::string target = line.substr(3);
        // Only a link that still points where subst put it is subst's: a letter the user has
        // since removed or pointed elsewhere belongs to the user.
        std::error_code ec;
        const fs::path link = linkPath(letter);
        if (!fs::is_symlink(fs::symlink_status(link, ec)) || fs::read_symlink(link, ec) != target)
            continue;
        if (std::none_of(entries.begin(), entries.end(),
                         [&](const auto& e) { return e.first == letter; }))
            entries.emplace_back(letter, target);
    }
    return entries;
}

bool Subst::writeRecord(const std::vector<std::pair<char, std::string>>& entries) const {
    const std::string path = recordPath();
    if (entries.empty()) {
        std::error_code ec;
        fs::remove(path, ec);
        return !ec;
    }
    const std::string temp = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const auto& [letter, target] : entries)
            out << letter << ": " << target << '\n';
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::string Subst::message(Result result) {
    switch (result) {
    case Result::Done:
        return "Done.";
    case Result::NotSubst:
        return "Not a subst command.";
    case Result::BadSyntax:
        return "Incorrect parameters: use SUBST drive: \"path\" or SUBST /D drive:.";
    case Result::LetterInUse:
        return "The drive letter is already in use.";
    case Result::FolderMissing:
        return "Path not found.";
    case Result::NotSubstituted:
        return "The drive was not made by SUBST and is left as it is.";
    case Result::Failed:
        return "The drive link could not be changed.";
    }
    return {};
}

Subst::Result runSubstCommandLine(const std::string& commandLine) {
    return Subst(defaultPrefixPath(), codepage::forEnvironment()).run(commandLine);
}

} // namespace kestrel::wine
