#pragma once
// Private-profile (INI) files read and edited as GetPrivateProfileStringA and
// WritePrivateProfileStringA do on Wine, except that a write changes only the one line it
// writes (or inserts) and keeps every other byte of the file as it was: such files (desktop.ini)
// are shared with the shell and with people who edit them by hand.
//
// Sections and keys match case-insensitively after blanks around the requested names are
// dropped; only the first section of a name is searched. Files may be in the ANSI code page, or
// UTF-8 or UTF-16 with a byte-order mark; new text is written in the file's own encoding.

#include <cstdint>
#include <string>

namespace kestrel::wine::profile {

// GetPrivateProfileStringA over the bytes of a file (nullptr when the file cannot be read):
// copies at most size-1 bytes of the value, or of the default when there is no such key, into
// result and returns how many it copied. Quotes around a value are dropped, trailing blanks of
// the default too.
std::uint32_t getString(const std::string* file, const std::string& section, const std::string& key,
                        const std::string& defaultValue, std::string& result, std::uint32_t size,
                        unsigned codePage);

// WritePrivateProfileStringA of one key over the bytes of a file (empty for a new file): the
// file's bytes afterwards. The key's line is replaced, or a line is added at the end of its
// section, or the section is added at the end of the file. Blanks before the value are dropped.
// Writing the value a key already has returns the bytes unchanged.
std::string setString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value, unsigned codePage);

} // namespace kestrel::wine::profile
