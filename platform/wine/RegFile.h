#pragma once
// One of Wine's registry files (system.reg, user.reg, userdef.reg), held as the text Wine wrote.
//
// The file is kept as a list of sections: the preamble before the first key, then one section per
// "[key] time" header, each with the exact bytes of its lines (the blank line that separates it
// from the next section included). Nothing is re-rendered unless it is changed: an unchanged file
// serializes byte for byte as it was read, a changed value rewrites only its own line(s) and the
// two time stamps of its section, and a new key's section goes where Wine's next save would put
// it (pre-order of the key tree, siblings sorted case-insensitively). Lines that cannot be
// understood are kept verbatim and never dropped.
//
// Names and string data are UTF-16, as Wine keeps them; string values carry their terminating
// zero in their data, exactly as the registry stores them.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::wine {

// A key path relative to the file's root, one element per key name ("Software", "Wine").
using RegPath = std::vector<std::u16string>;

struct RegValue {
    std::u16string name; // empty for the default value "@"
    std::uint32_t type = 0;
    std::string data; // raw bytes; strings as UTF-16LE
};

// Times as Windows FILETIME: 100 ns ticks since 1601-01-01 UTC.
std::uint64_t fileTimeNow();

class RegFile {
public:
    RegFile();
    ~RegFile();
    RegFile(RegFile&&) noexcept;
    RegFile& operator=(RegFile&&) noexcept;

    // Takes a file's whole text, which must be under 4 GiB (a larger one loads as an empty,
    // unusable file). Never fails; whether Wine would accept the file is told by hasWineHeader().
    void load(std::string text);
    // A new, empty file as Wine starts one; rootComment is what follows "relative to", e.g.
    // "REGISTRY\\Machine" (written with Wine's escapes, "\\" between the names).
    void loadEmpty(const std::string& rootComment);
    // The file's text: the bytes read, with changed sections rewritten.
    std::string text() const;
    // True when the first line is exactly "WINE REGISTRY Version 2" (no BOM).
    bool hasWineHeader() const;
    // The largest text load() takes.
    static constexpr std::size_t MaxSize = 0xFFFFFFFFu;

    // Keys. The root (empty path) always exists.
    bool keyExists(const RegPath& path) const;
    // Creates the key and any missing keys above it; true when it was created now.
    bool createKey(const RegPath& path, std::uint64_t fileTime);
    // Removes the key with all its subkeys; false when it did not exist (or is the root).
    bool deleteKey(const RegPath& path);
    // Names of the key's subkeys, sorted as Wine enumerates them (case-insensitively).
    std::vector<std::u16string> subkeys(const RegPath& path) const;
    std::size_t subkeyCount(const RegPath& path) const;
    // The index-th subkey's name, as enumeration gives it; false past the end.
    bool subkeyAt(const RegPath& path, std::size_t index, std::u16string& name) const;
    // The spelling a key was first written with (case preserved); the path as given when missing.
    RegPath canonicalPath(const RegPath& path) const;

    // Values. A value line Wine could not read counts as an empty REG_NONE, as in Wine.
    std::optional<RegValue> value(const RegPath& path, const std::u16string& name) const;
    std::vector<RegValue> values(const RegPath& path) const;
    // Creates the key when needed. Sets the section's time to fileTime.
    void setValue(const RegPath& path, const RegValue& value, std::uint64_t fileTime);
    // False when there was no such value (nothing changes then).
    bool deleteValue(const RegPath& path, const std::u16string& name, std::uint64_t fileTime);

    // Case-insensitive comparison of names as Wine sorts them.
    static int compareNames(std::u16string_view a, std::u16string_view b);
    // A value line as Wine writes it, with its line feed ("\"Name\"=dword:00000001\n").
    static std::string formatValue(const RegValue& value);
    // Wine's escaping of a string for a .reg file (the quote characters not included).
    static std::string escape(std::u16string_view text, bool keyName);

private:
    struct Name;
    struct Section;
    struct Node;
    // Keys are numbered in the order they were first met; links between them are these numbers,
    // which keeps a key's entry small (a hive holds tens of thousands of keys).
    using NodeId = std::uint32_t;
    static constexpr NodeId Root = 0;
    static constexpr NodeId NoNode = 0xFFFFFFFFu;
    static constexpr std::size_t NoSection = static_cast<std::size_t>(-1);

    Name nameOf(NodeId id) const;
    NodeId find(const RegPath& path) const;
    NodeId ensureNode(const RegPath& path, bool& created);
    // The parent's child of that name, created when asked; `after` is a child known to sort
    // before the name, where the search may start.
    NodeId childFor(NodeId parent, const Name& name, bool create, bool& created,
                    NodeId after = NoNode);
    NodeId childAt(NodeId parent, std::size_t index) const;
    std::vector<std::size_t> sectionsOf(NodeId node) const;
    std::string_view sectionText(std::size_t section) const;
    std::string& edit(std::size_t section);
    std::size_t insertSectionFor(NodeId node, std::uint64_t fileTime);
    std::size_t positionFor(NodeId node) const;
    std::size_t firstSectionIn(NodeId node) const;
    void dropSections(std::vector<std::size_t> sections);
    void reindex();
    void collectSubtreeSections(NodeId node, std::vector<std::size_t>& out) const;
    void fitSection(NodeId node, std::uint64_t fileTime);
    bool needsSection(NodeId node) const;
    RegPath pathOf(NodeId node) const;

    // The text as read; unchanged sections and plain key names are offsets into it, which is why
    // a file must be smaller than 4 GiB.
    std::string original_;
    std::deque<Section> sections_;
    std::deque<Node> nodes_; // the root first; a deleted key's node stays unused until reload
    std::deque<std::u16string> names_; // key names that are not plain ASCII in the file
    std::deque<std::string> edits_;    // the texts of changed sections
    // Where the last subkeyAt() stopped, so that enumerating a key child by child stays linear.
    struct Cursor {
        NodeId parent = NoNode;
        std::size_t index = 0;
        NodeId child = NoNode;
    };
    mutable Cursor cursor_;
};

} // namespace kestrel::wine
