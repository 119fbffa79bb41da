#pragma once
// What Wine tells programs about the computer and its user.

#include <cstdint>
#include <string>

namespace kestrel::wine {

// GetComputerNameA: the host's name (its canonical name when it has one other than
// "localhost"), up to the first dot, in upper case, at most 15 characters.
std::string wineComputerName();

// GetUserNameA: USER when set, else the name of the Unix account.
std::string wineUserName();

// GetTickCount: milliseconds since the host started, wrapping at 2^32.
std::uint32_t wineTickCount();

} // namespace kestrel::wine
