#pragma once
// The comma-separated field reader used for the lmhosts file and the automount profile file,
// and the matching line writer.

#include <string>
#include <vector>

namespace kestrel {

class Machine;

// Reads one entry at a time: leading blanks and line breaks are skipped; an entry ends at a
// comma or at the end of a line; an entry that begins with a double quote runs to the closing
// double quote (line breaks and commas included), the quotes not being part of it. The
// delimiter after an entry is consumed.
class FieldReader {
public:
    explicit FieldReader(std::string text);

    // True when nothing but blanks and line breaks is left.
    bool atEnd() const;
    // The next entry; the empty string at the end.
    std::string next();

private:
    std::string text_;
    std::size_t pos_ = 0;
};

namespace textfile {

// All entries of a file on the machine, in file order; false when it cannot be read.
bool readEntries(Machine& machine, const std::string& path, std::vector<std::string>& entries);

// Replaces the file with the given lines, each ended by CR LF (bytes in the ANSI code page).
bool writeLines(Machine& machine, const std::string& path, const std::vector<std::string>& lines);

} // namespace textfile
} // namespace kestrel
