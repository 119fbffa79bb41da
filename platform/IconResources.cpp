#include "IconResources.h"

#include <cstdlib>
#include <optional>
#include <vector>

namespace kestrel::icons {

namespace {

constexpr std::uint32_t RtIcon = 3;
constexpr std::uint32_t RtGroupIcon = 14;
constexpr std::uint32_t HighBit = 0x80000000u;
// Limits far above any real icon, so that a damaged size field cannot make us read a whole file.
constexpr std::uint32_t MaxGroupBytes = 6 + 14 * 0xFFFF;
constexpr std::uint32_t MaxImageBytes = 16u << 20;
constexpr std::uint32_t MaxSections = 96;

std::uint16_t u16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t u32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2))
                                                        << 16;
}
void put16(std::string& b, std::uint32_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

bool readAt(const ByteSource& file, std::uint64_t offset, std::uint32_t length, std::string& out) {
    if (offset > file.size || length > file.size - offset)
        return false;
    return file.read(offset, length, out) && out.size() == length;
}

// One image of an icon as a directory lists it.
struct ImageEntry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::string head; // the first four bytes of the entry: width, height, colours, reserved
    std::uint16_t planes = 0;
    // Where an .ico file keeps the image.
    std::uint32_t offset = 0;
    std::uint32_t bytes = 0;
};

// The image Windows takes for a large icon: the size nearest to it, then among the images of
// that size the colour depth nearest to the preferred one; the first wins a tie.
int bestImage(const std::vector<ImageEntry>& entries) {
    unsigned bestDiff = ~0u;
    int xDiff = 0, yDiff = 0;
    for (const ImageEntry& e : entries) {
        const unsigned dx = static_cast<unsigned>(std::abs(LargeIconSide - e.width));
        const unsigned dy = static_cast<unsigned>(std::abs(LargeIconSide - e.height));
        if (dx + dy < bestDiff) {
            bestDiff = dx + dy;
            xDiff = static_cast<int>(dx);
            yDiff = static_cast<int>(dy);
        }
    }
    int best = -1;
    unsigned colourDiff = ~0u;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ImageEntry& e = entries[i];
        if (std::abs(LargeIconSide - e.width) != xDiff ||
            std::abs(LargeIconSide - e.height) != yDiff)
            continue;
        const unsigned diff = static_cast<unsigned>(std::abs(PreferredBitCount - e.bitCount));
        if (diff < colourDiff) {
            colourDiff = diff;
            best = static_cast<int>(i);
        }
    }
    return best;
}

ImageEntry entryFrom(const std::string& b, std::size_t at) {
    ImageEntry e;
    e.head = b.substr(at, 4);
    e.width = static_cast<unsigned char>(b[at]);
    e.height = static_cast<unsigned char>(b[at + 1]);
    // Width and height 0 stand for 256.
    if (e.width == 0 && e.height == 0)
        e.width = e.height = 256;
    e.planes = u16(b, at + 4);
    e.bitCount = u16(b, at + 6);
    return e;
}

// A one-image .ico file around the bytes of one image.
std::string icoFile(const ImageEntry& entry, const std::string& image) {
    std::string ico;
    put16(ico, 0);
    put16(ico, 1);
    put16(ico, 1);
    ico += entry.head;
    put16(ico, entry.planes);
    put16(ico, static_cast<std::uint32_t>(entry.bitCount));
    put32(ico, static_cast<std::uint32_t>(image.size()));
    put32(ico, 22);
    return ico + image;
}

// An image's bytes are a bitmap header or a PNG; anything shorter cannot be either.
bool plausibleImage(const std::string& image) {
    return image.size() >= 40;
}

// --- .ico files --------------------------------------------------------------------------------

std::optional<std::vector<ImageEntry>> icoDirectory(const ByteSource& file) {
    std::string head;
    if (!readAt(file, 0, 6, head) || u16(head, 0) != 0 || u16(head, 2) != 1 || u16(head, 4) == 0)
        return std::nullopt;
    const std::uint32_t count = u16(head, 4);
    std::string table;
    if (!readAt(file, 6, count * 16, table))
        return std::nullopt;
    std::vector<ImageEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = i * 16;
        ImageEntry e = entryFrom(table, at);
        e.bytes = u32(table, at + 8);
        e.offset = u32(table, at + 12);
        if (e.offset > file.size || e.bytes > file.size - e.offset)
            return std::nullopt;
        // A file entry often leaves the depth 0; the bitmap header knows it.
        std::string header;
        if (e.bitCount == 0 && e.bytes >= 16 && readAt(file, e.offset, 16, header) &&
            u32(header, 0) == 40)
            e.bitCount = u16(header, 14);
        entries.push_back(e);
    }
    return entries;
}

bool icoImage(const ByteSource& file, const std::vector<ImageEntry>& entries, std::string& ico) {
    const int best = bestImage(entries);
    if (best < 0)
        return false;
    const ImageEntry& entry = entries[static_cast<std::size_t>(best)];
    std::string image;
    if (entry.bytes > MaxImageBytes || !readAt(file, entry.offset, entry.bytes, image) ||
        !plausibleImage(image))
        return false;
    ico = icoFile(entry, image);
    return true;
}

// --- PE files -----------------------------------------------------------------------------------

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

// The resources of a PE file: its sections, and where its resource directory lies in the file.
class PeResources {
public:
    static std::optional<PeResources> open(const ByteSource& file);

    // The directory entries of a resource directory (offset from the root): named ones first,
    // then numbered ones, as the file orders them.
    struct Entry {
        std::uint32_t name = 0;   // an id, or an offset with the high bit set for a name
        std::uint32_t target = 0; // an offset from the root; high bit set for a subdirectory
    };
    // namedCount, when given, receives how many of them are named.
    std::optional<std::vector<Entry>> directory(std::uint32_t offset,
                                                std::uint32_t* namedCount = nullptr) const;
    // The subdirectory of the numbered entry `id` of a directory.
    std::optional<std::uint32_t> subdirectoryById(std::uint32_t offset, std::uint32_t id) const;
    // The data of the first (default language) entry under a name directory.
    bool firstData(std::uint32_t nameDirectory, std::uint32_t maxBytes, std::string& out) const;

private:
    // File offset of `length` bytes at an RVA, when one section holds them all.
    std::optional<std::uint64_t> fileOffset(std::uint32_t rva, std::uint32_t length) const;

    const ByteSource* file_ = nullptr;
    std::vector<Section> sections_;
    std::uint64_t root_ = 0;  // file offset of the resource root directory
    std::uint64_t limit_ = 0; // end of the section that holds it
};

std::optional<PeResources> PeResources::open(const ByteSource& file) {
    std::string dos;
    if (!readAt(file, 0, 64, dos) || dos[0] != 'M' || dos[1] != 'Z')
        return std::nullopt;
    const std::uint32_t pe = u32(dos, 0x3C);
    std::string header;
    if (!readAt(file, pe, 24, header) || header.compare(0, 4, std::string("PE\0\0", 4)) != 0)
        return std::nullopt;
    const std::uint32_t sectionCount = u16(header, 6);
    const std::uint32_t optionalSize = u16(header, 20);
    std::string optional;
    if (sectionCount == 0 || sectionCount > MaxSections ||
        !readAt(file, pe + 24ull, optionalSize, optional) || optionalSize < 2)
        return std::nullopt;
    std::size_t countAt = 0, directoriesAt = 0;
    switch (u16(optional, 0)) {
    case 0x10B: // PE32
        countAt = 92;
        directoriesAt = 96;
        break;
    case 0x20B: // PE32+
        countAt = 108;
        directoriesAt = 112;
        break;
    default:
        return std::nullopt;
    }
    const std::size_t resourceAt = directoriesAt + 2 * 8;
    if (optional.size() < resourceAt + 8 || u32(optional, countAt) < 3)
        return std::nullopt;
    const std::uint32_t resourceRva = u32(optional, resourceAt);
    if (resourceRva == 0)
        return std::nullopt;

    std::string table;
    if (!readAt(file, pe + 24ull + optionalSize, sectionCount * 40, table))
        return std::nullopt;
    PeResources res;
    res.file_ = &file;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        Section s;
        s.virtualAddress = u32(table, i * 40 + 12);
        s.rawSize = u32(table, i * 40 + 16);
        s.rawOffset = u32(table, i * 40 + 20);
        // A file cut short loses the end of its last sections: it is damaged as a whole.
        if (static_cast<std::uint64_t>(s.rawOffset) + s.rawSize > file.size)
            return std::nullopt;
        res.sections_.push_back(s);
    }
    const auto root = res.fileOffset(resourceRva, 16);
    if (!root)
        return std::nullopt;
    res.root_ = *root;
    for (const Section& s : res.sections_)
        if (resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < s.rawSize)
            res.limit_ = static_cast<std::uint64_t>(s.rawOffset) + s.rawSize;
    return res;
}

std::optional<std::uint64_t> PeResources::fileOffset(std::uint32_t rva,
                                                     std::uint32_t length) const {
    for (const Section& s : sections_) {
        if (rva < s.virtualAddress)
            continue;
        const std::uint64_t into = rva - s.virtualAddress;
        if (into + length > s.rawSize)
            continue;
        return s.rawOffset + into;
    }
    return std::nullopt;
}

std::optional<std::vector<PeResources::Entry>>
PeResources::directory(std::uint32_t offset, std::uint32_t* namedCount) const {
    const std::uint64_t at = root_ + offset;
    std::string head;
    if (at + 16 > limit_ || !readAt(*file_, at, 16, head))
        return std::nullopt;
    const std::uint32_t count = static_cast<std::uint32_t>(u16(head, 12)) + u16(head, 14);
    if (namedCount)
        *namedCount = u16(head, 12);
    std::string table;
    if (at + 16 + count * 8ull > limit_ || !readAt(*file_, at + 16, count * 8, table))
        return std::nullopt;
    std::vector<Entry> entries(count);
    for (std::uint32_t i = 0; i < count; ++i)
        entries[i] = {u32(table, i * 8), u32(table, i * 8 + 4)};
    return entries;
}

std::optional<std::uint32_t> PeResources::subdirectoryById(std::uint32_t offset,
                                                           std::uint32_t id) const {
    // Found as Windows finds it: a binary search among the numbered entries, which follow the
    // named ones in the order of their ids. A garbled directory then finds nothing, as there.
    std::uint32_t named = 0;
    const auto entries = directory(offset, &named);
    if (!entries)
        return std::nullopt;
    std::int64_t low = named, high = static_cast<std::int64_t>(entries->size()) - 1;
    while (low <= high) {
        const std::int64_t middle = (low + high) / 2;
        const Entry& e = (*entries)[static_cast<std::size_t>(middle)];
        const std::uint32_t entryId = e.name & 0xFFFF;
        if (entryId == id)
            return (e.target & HighBit) ? std::optional(e.target & ~HighBit) : std::nullopt;
        if (entryId > id)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return std::nullopt;
}

bool PeResources::firstData(std::uint32_t nameDirectory, std::uint32_t maxBytes,
                            std::string& out) const {
    const auto languages = directory(nameDirectory);
    if (!languages || languages->empty() || (languages->front().target & HighBit))
        return false;
    const std::uint64_t leaf = root_ + languages->front().target;
    std::string data;
    if (leaf + 16 > limit_ || !readAt(*file_, leaf, 16, data))
        return false;
    const std::uint32_t rva = u32(data, 0);
    const std::uint32_t size = u32(data, 4);
    if (size > maxBytes)
        return false;
    const auto at = fileOffset(rva, size);
    return at && readAt(*file_, *at, size, out);
}

// The icon groups of a PE file: the subdirectories of its RT_GROUP_ICON directory.
std::optional<std::vector<PeResources::Entry>> iconGroups(const PeResources& res) {
    const auto groups = res.subdirectoryById(0, RtGroupIcon);
    if (!groups)
        return std::nullopt;
    return res.directory(*groups);
}

bool peImage(const ByteSource& file, std::uint32_t index, std::string& ico) {
    const auto res = PeResources::open(file);
    if (!res)
        return false;
    const auto groups = iconGroups(*res);
    if (!groups || index >= groups->size() || !((*groups)[index].target & HighBit))
        return false;
    std::string group;
    if (!res->firstData((*groups)[index].target & ~HighBit, MaxGroupBytes, group) ||
        group.size() < 6 || u16(group, 0) != 0 || u16(group, 2) != 1)
        return false;
    const std::uint32_t count = u16(group, 4);
    if (group.size() < 6 + count * 14ull)
        return false;
    std::vector<ImageEntry> images;
    for (std::uint32_t i = 0; i < count; ++i)
        images.push_back(entryFrom(group, 6 + i * 14));
    const int best = bestImage(images);
    if (best < 0)
        return false;
    const std::uint32_t id = u16(group, 6 + static_cast<std::size_t>(best) * 14 + 12);
    const auto iconTypes = res->subdirectoryById(0, RtIcon);
    if (!iconTypes)
        return false;
    const auto iconName = res->subdirectoryById(*iconTypes, id);
    std::string image;
    if (!iconName || !res->firstData(*iconName, MaxImageBytes, image) || !plausibleImage(image))
        return false;
    ico = icoFile(images[static_cast<std::size_t>(best)], image);
    return true;
}

} // namespace

ByteSource memorySource(const std::string& bytes) {
    ByteSource source;
    source.size = bytes.size();
    source.read = [&bytes](std::uint64_t offset, std::uint32_t length, std::string& out) {
        if (offset > bytes.size() || length > bytes.size() - offset)
            return false;
        out.assign(bytes, static_cast<std::size_t>(offset), length);
        return true;
    };
    return source;
}

std::uint32_t countIcons(const ByteSource& file) {
    if (icoDirectory(file))
        return 1;
    const auto res = PeResources::open(file);
    if (!res)
        return 0;
    const auto groups = iconGroups(*res);
    return groups ? static_cast<std::uint32_t>(groups->size()) : 0;
}

bool extractIcon(const ByteSource& file, std::uint32_t index, std::string& ico) {
    if (const auto entries = icoDirectory(file))
        return index == 0 && icoImage(file, *entries, ico);
    return peImage(file, index, ico);
}

} // namespace kestrel::icons
