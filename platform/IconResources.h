#pragma once
// Icons kept in Windows files, read the way ExtractIconExA reads them: an .ico file holds one
// icon; an .exe or .dll holds one icon per icon group of its resources, in resource order.
//
// Nothing here decodes pixels. An icon is handed on as the bytes of a one-image .ico file,
// rebuilt from the group and the image Windows would pick for a large icon, so that whatever
// shows it can use an ordinary .ico decoder. A file that is missing, of another kind, damaged or
// cut short holds no icons.

#include <cstdint>
#include <functional>
#include <string>

namespace kestrel::icons {

// Random access to the bytes of one file.
struct ByteSource {
    std::uint64_t size = 0;
    // Fills `out` with `length` bytes from `offset`; false when they cannot all be read.
    std::function<bool(std::uint64_t offset, std::uint32_t length, std::string& out)> read;
};

// A source over bytes already in memory.
ByteSource memorySource(const std::string& bytes);

// The side of a large icon (SM_CXICON) and the colour depth Windows prefers when it picks one
// image of an icon group.
constexpr int LargeIconSide = 32;
constexpr int PreferredBitCount = 32;

// ExtractIconExA(file, -1, nullptr, nullptr, 0): 1 for an .ico file, the number of icon groups
// for a PE file, 0 for anything else.
std::uint32_t countIcons(const ByteSource& file);

// Icon `index` of the file at the large size, as a one-image .ico file; false when the file has
// no such icon or its data is damaged.
bool extractIcon(const ByteSource& file, std::uint32_t index, std::string& ico);

} // namespace kestrel::icons
