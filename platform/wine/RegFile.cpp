#include "RegFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace kestrel::wine {

namespace {

constexpr std::uint64_t TicksPerSecond = 10'000'000;
// FILETIME of 1970-01-01.
constexpr std::uint64_t UnixEpochTicks = 116'444'736'000'000'000ull;
constexpr std::uint32_t RegNone = 0, RegSz = 1, RegExpandSz = 2, RegBinary = 3, RegDword = 4,
                        RegMultiSz = 7;
constexpr std::string_view WineHeader = "WINE REGISTRY Version 2";

// Lower case as Wine compares names (its server folds with towlower: '_' sorts before letters).
char16_t lower(char16_t c) {
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x100 && c <= 0x17E && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
        const bool oddIsUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return oddIsUpper ? (c % 2 ? c + 1 : c) : (c % 2 ? c : c + 1);
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x460 && c <= 0x4FF && c % 2 == 0 && !(c >= 0x482 && c <= 0x489))
        return c + 1;
    return c;
}

std::u16string foldedName(std::u16string_view name) {
    std::u16string out(name);
    for (auto& c : out)
        c = lower(c);
    return out;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Appends one character of raw text (UTF-8 accepted) at pos, advancing pos.
void decodeRaw(std::string_view s, std::size_t& pos, std::u16string& out) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    auto cont = [&](std::size_t i) {
        return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
    };
    std::uint32_t cp = b0;
    std::size_t length = 1;
    if (b0 >= 0xC2 && b0 <= 0xDF && cont(pos + 1)) {
        cp = ((b0 & 0x1F) << 6) | (s[pos + 1] & 0x3F);
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF && cont(pos + 1) && cont(pos + 2)) {
        cp = ((b0 & 0x0F) << 12) | ((s[pos + 1] & 0x3F) << 6) | (s[pos + 2] & 0x3F);
        length = cp >= 0x800 ? 3 : 1;
        if (length == 1)
            cp = b0;
    } else if (b0 >= 0xF0 && b0 <= 0xF4 && cont(pos + 1) && cont(pos + 2) && cont(pos + 3)) {
        cp = ((b0 & 0x07) << 18) | ((s[pos + 1] & 0x3F) << 12) | ((s[pos + 2] & 0x3F) << 6) |
             (s[pos + 3] & 0x3F);
        length = (cp >= 0x10000 && cp <= 0x10FFFF) ? 4 : 1;
        if (length == 1)
            cp = b0;
    }
    pos += length;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

// Wine's reading of an escaped string: from pos up to the unescaped end character, which is
// consumed. False when the line ends first.
bool parseString(std::string_view s, std::size_t& pos, char end, std::u16string& out) {
    while (pos < s.size() && s[pos] != end && s[pos] != '\n' && s[pos] != '\0') {
        if (s[pos] != '\\') {
            decodeRaw(s, pos, out);
            continue;
        }
        ++pos;
        if (pos >= s.size() || s[pos] == '\n' || s[pos] == '\0')
            return false;
        const char c = s[pos];
        switch (c) {
        case 'a':
            out.push_back(u'\a');
            ++pos;
            continue;
        case 'b':
            out.push_back(u'\b');
            ++pos;
            continue;
        case 'e':
            out.push_back(0x1B);
            ++pos;
            continue;
        case 'f':
            out.push_back(u'\f');
            ++pos;
            continue;
        case 'n':
            out.push_back(u'\n');
            ++pos;
            continue;
        case 'r':
            out.push_back(u'\r');
            ++pos;
            continue;
        case 't':
            out.push_back(u'\t');
            ++pos;
            continue;
        case 'v':
            out.push_back(u'\v');
            ++pos;
            continue;
        case 'x': {
            ++pos;
            if (pos >= s.size() || !isHexDigit(s[pos])) {
                out.push_back(u'x');
                continue;
            }
            unsigned v = 0;
            for (int i = 0; i < 4 && pos < s.size() && isHexDigit(s[pos]); ++i)
                v = v * 16 + hexValue(s[pos++]);
            out.push_back(static_cast<char16_t>(v));
            continue;
        }
        default:
            break;
        }
        if (c >= '0' && c <= '7') {
            unsigned v = 0;
            for (int i = 0; i < 3 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++i)
                v = v * 8 + (s[pos++] - '0');
            out.push_back(static_cast<char16_t>(v));
            continue;
        }
        // Any other escaped character stands for itself (\\, \", \[, \]).
        decodeRaw(s, pos, out);
    }
    if (pos >= s.size() || s[pos] != end)
        return false;
    ++pos;
    return true;
}

void appendUtf16(std::string& bytes, std::u16string_view text) {
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
}

std::u16string utf16FromBytes(std::string_view bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

// The end of the line that starts at pos (just past its '\n', or the end of the text).
std::size_t lineEnd(std::string_view s, std::size_t pos) {
    const std::size_t nl = s.find('\n', pos);
    return nl == std::string_view::npos ? s.size() : nl + 1;
}

std::size_t skipBlanks(std::string_view s, std::size_t pos) {
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    return pos;
}

// Only blanks (and the line break) from pos to the end of the line.
bool restIsBlank(std::string_view s, std::size_t pos) {
    while (pos < s.size() && s[pos] != '\n') {
        if (!isSpace(s[pos]))
            return false;
        ++pos;
    }
    return true;
}

// A section header line "[path] time": the key names, and where the text after ']' begins.
bool parseHeader(std::string_view line, RegPath& path, std::size_t& afterBracket) {
    std::size_t pos = skipBlanks(line, 0);
    if (pos >= line.size() || line[pos] != '[')
        return false;
    ++pos;
    std::u16string name;
    if (!parseString(line, pos, ']', name))
        return false;
    afterBracket = pos;
    path.clear();
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t sep = name.find(u'\\', start);
        if (sep == std::u16string::npos)
            sep = name.size();
        if (sep > start)
            path.emplace_back(name.substr(start, sep - start));
        start = sep + 1;
    }
    return true;
}

enum class LineKind { Header, Time, Meta, Value, Other };

struct Item {
    std::size_t begin = 0;
    std::size_t end = 0;
    LineKind kind = LineKind::Other;
    RegValue value; // for LineKind::Value
};

// Parses the hex bytes of a value, following continuation lines; false when malformed.
bool parseHexData(std::string_view s, std::size_t& pos, std::string& data) {
    for (;;) {
        while (pos < s.size() && isHexDigit(s[pos])) {
            unsigned v = 0;
            int digits = 0;
            while (pos < s.size() && isHexDigit(s[pos])) {
                v = v * 16 + hexValue(s[pos++]);
                if (++digits > 2)
                    return false;
            }
            data.push_back(static_cast<char>(v));
            while (pos < s.size() && isBlank(s[pos]))
                ++pos;
            if (pos < s.size() && s[pos] == ',')
                ++pos;
            while (pos < s.size() && isBlank(s[pos]))
                ++pos;
        }
        if (pos < s.size() && s[pos] == '\\' && restIsBlank(s, pos + 1)) {
            pos = lineEnd(s, pos);
            if (pos >= s.size())
                return false;
            pos = skipBlanks(s, pos);
            continue;
        }
        return restIsBlank(s, pos);
    }
}

// A value line starting at pos ('"' or '@'): sets item.value and item.end. A line whose name can
// be read but whose data cannot counts as an empty REG_NONE (Wine's reading); false when not even
// the name can be read.
bool parseValue(std::string_view s, std::size_t pos, Item& item) {
    RegValue& v = item.value;
    std::size_t p = pos;
    if (s[p] == '@') {
        ++p;
    } else {
        ++p;
        if (!parseString(s, p, '"', v.name))
            return false;
    }
    item.end = lineEnd(s, pos);
    auto malformed = [&] {
        v.type = RegNone;
        v.data.clear();
        return true;
    };
    p = skipBlanks(s, p);
    if (p >= s.size() || s[p] != '=')
        return malformed();
    p = skipBlanks(s, p + 1);
    const std::string_view rest = s.substr(p);
    auto startsWith = [&](std::string_view prefix) {
        return rest.substr(0, prefix.size()) == prefix;
    };
    std::uint32_t stringType = 0;
    std::size_t skip = 0;
    if (startsWith("\"")) {
        stringType = RegSz, skip = 1;
    } else if (startsWith("str:\"")) {
        stringType = RegSz, skip = 5;
    } else if (startsWith("str(2):\"")) {
        stringType = RegExpandSz, skip = 8;
    } else if (startsWith("str(7):\"")) {
        stringType = RegMultiSz, skip = 8;
    }
    if (stringType) {
        p += skip;
        std::u16string text;
        if (!parseString(s, p, '"', text))
            return malformed();
        text.push_back(u'\0');
        v.type = stringType;
        appendUtf16(v.data, text);
        return true;
    }
    if (startsWith("dword:")) {
        p += 6;
        std::uint32_t dw = 0;
        int digits = 0;
        while (p < s.size() && isHexDigit(s[p]) && digits < 8) {
            dw = dw * 16 + hexValue(s[p++]);
            ++digits;
        }
        if (digits == 0 || !restIsBlank(s, p))
            return malformed();
        v.type = RegDword;
        for (int i = 0; i < 4; ++i)
            v.data.push_back(static_cast<char>((dw >> (8 * i)) & 0xFF));
        return true;
    }
    std::uint32_t type = RegBinary;
    if (startsWith("hex:")) {
        p += 4;
    } else if (startsWith("hex(")) {
        p += 4;
        std::uint32_t t = 0;
        int digits = 0;
        while (p < s.size() && isHexDigit(s[p]) && digits < 8) {
            t = t * 16 + hexValue(s[p++]);
            ++digits;
        }
        if (digits == 0 || s.substr(p, 2) != "):")
            return malformed();
        p += 2;
        type = t;
    } else {
        return malformed();
    }
    std::string data;
    std::size_t q = p;
    if (!parseHexData(s, q, data))
        return malformed();
    item.end = lineEnd(s, q);
    v.type = type;
    v.data = std::move(data);
    return true;
}

// Splits a key section's text into its lines, a hex value with its continuation lines as one.
std::vector<Item> parseItems(std::string_view s) {
    std::vector<Item> items;
    std::size_t pos = 0;
    bool first = true;
    while (pos < s.size()) {
        Item item;
        item.begin = pos;
        item.end = lineEnd(s, pos);
        const std::size_t p = skipBlanks(s, pos);
        const char c = p < s.size() ? s[p] : '\n';
        if (first) {
            item.kind = LineKind::Header;
        } else if (c == '#') {
            item.kind = s.substr(p, 6) == "#time=" ? LineKind::Time : LineKind::Meta;
        } else if ((c == '"' || c == '@') && parseValue(s, p, item)) {
            item.kind = LineKind::Value;
        } else {
            item.kind = LineKind::Other;
            item.end = lineEnd(s, pos);
        }
        first = false;
        pos = item.end;
        items.push_back(std::move(item));
    }
    return items;
}

std::string lineBreakOf(std::string_view line) {
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n")
        return "\r\n";
    if (!line.empty() && line.back() == '\n')
        return "\n";
    return "";
}

std::string headerTime(std::uint64_t fileTime) {
    const std::uint64_t seconds =
        fileTime > UnixEpochTicks ? (fileTime - UnixEpochTicks) / TicksPerSecond : 0;
    return std::to_string(static_cast<std::uint32_t>(seconds));
}

std::string timeLine(std::uint64_t fileTime) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "#time=%x%08x\n", static_cast<unsigned>(fileTime >> 32),
                  static_cast<unsigned>(fileTime & 0xFFFFFFFFu));
    return buffer;
}

std::string joinPath(const RegPath& path) {
    std::u16string joined;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i)
            joined.push_back(u'\\');
        joined += path[i];
    }
    return RegFile::escape(joined, true);
}

} // namespace

std::uint64_t fileTimeNow() {
    const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
    return UnixEpochTicks + static_cast<std::uint64_t>(since1970 / 100);
}

struct RegFile::Section {
    std::string_view original; // into RegFile::original_, while unchanged
    std::string owned;
    bool changed = false;
    Node* node = nullptr; // the key; null for the preamble and lines under a broken header

    std::string_view text() const { return changed ? std::string_view(owned) : original; }
    std::string& edit() {
        if (!changed) {
            owned.assign(original);
            changed = true;
        }
        return owned;
    }
};

struct RegFile::Node {
    std::u16string name; // as first written
    std::u16string key;  // folded case, the sort key among siblings
    Node* parent = nullptr;
    std::map<std::u16string, std::unique_ptr<Node>> children;
    std::vector<SectionList::iterator> sections; // in file order
};

RegFile::RegFile() : root_(std::make_unique<Node>()) {}
RegFile::~RegFile() = default;
RegFile::RegFile(RegFile&&) noexcept = default;
RegFile& RegFile::operator=(RegFile&&) noexcept = default;

int RegFile::compareNames(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ua = lower(a[i]), ub = lower(b[i]);
        if (ua != ub)
            return ua < ub ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string RegFile::escape(std::u16string_view str, bool keyName) {
    static constexpr char escapes[33] = ".......abtnvfr.............e....";
    const char e0 = keyName ? '[' : '"';
    const char e1 = keyName ? ']' : '"';
    std::string out;
    out.reserve(str.size());
    char buffer[16];
    for (std::size_t i = 0; i < str.size(); ++i) {
        const char16_t c = str[i];
        const std::size_t left = str.size() - i;
        if (c > 127) {
            const char16_t next = left > 1 ? str[i + 1] : 0;
            const bool hexNext = left > 1 && next < 128 && isHexDigit(static_cast<char>(next));
            std::snprintf(buffer, sizeof buffer, hexNext ? "\\x%04x" : "\\x%x",
                          static_cast<unsigned>(c));
            out += buffer;
            continue;
        }
        if (c < 32) {
            if (c == 0 && left == 1)
                continue; // the terminating zero is not written
            if (escapes[c] != '.') {
                out.push_back('\\');
                out.push_back(escapes[c]);
            } else {
                const bool octalNext = left > 1 && str[i + 1] >= u'0' && str[i + 1] <= u'7';
                std::snprintf(buffer, sizeof buffer, octalNext ? "\\%03o" : "\\%o",
                              static_cast<unsigned>(c));
                out += buffer;
            }
            continue;
        }
        if (c == '\\' || c == static_cast<char16_t>(e0) || c == static_cast<char16_t>(e1))
            out.push_back('\\');
        out.push_back(static_cast<char>(c));
    }
    return out;
}

std::string RegFile::formatValue(const RegValue& value) {
    std::string out;
    std::size_t count;
    if (!value.name.empty()) {
        out = "\"" + escape(value.name, false) + "\"=";
        count = out.size();
    } else {
        out = "@=";
        count = 2;
    }
    const std::string& data = value.data;
    switch (value.type) {
    case RegSz:
    case RegExpandSz:
    case RegMultiSz:
        if (data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 &&
            data[data.size() - 2] == 0) {
            if (value.type != RegSz)
                out += value.type == RegExpandSz ? "str(2):" : "str(7):";
            out += "\"" + escape(utf16FromBytes(data), false) + "\"\n";
            return out;
        }
        break;
    case RegDword:
        if (data.size() == 4) {
            char buffer[16];
            const std::uint32_t dw =
                static_cast<unsigned char>(data[0]) | (static_cast<unsigned char>(data[1]) << 8) |
                (static_cast<unsigned char>(data[2]) << 16) |
                (static_cast<std::uint32_t>(static_cast<unsigned char>(data[3])) << 24);
            std::snprintf(buffer, sizeof buffer, "dword:%08x\n", dw);
            return out + buffer;
        }
        break;
    default:
        break;
    }
    char buffer[24];
    if (value.type == RegBinary)
        std::snprintf(buffer, sizeof buffer, "hex:");
    else
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    out += buffer;
    count += std::string_view(buffer).size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(data[i]));
        out += buffer;
        count += 2;
        if (i + 1 < data.size()) {
            out.push_back(',');
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out.push_back('\n');
    return out;
}

void RegFile::load(std::string text) {
    sections_.clear();
    root_ = std::make_unique<Node>();
    original_ = std::move(text);
    const std::string_view s = original_;

    std::size_t sectionStart = 0;
    Node* sectionNode = nullptr;
    bool preamble = true;
    auto close = [&](std::size_t end) {
        if (end == sectionStart && !preamble)
            return;
        Section section;
        section.original = s.substr(sectionStart, end - sectionStart);
        section.node = sectionNode;
        sections_.push_back(std::move(section));
        if (sectionNode)
            sectionNode->sections.push_back(std::prev(sections_.end()));
    };

    RegPath path;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t end = lineEnd(s, pos);
        const std::size_t p = skipBlanks(s, pos);
        if (p < s.size() && s[p] == '[') {
            close(pos);
            preamble = false;
            sectionStart = pos;
            std::size_t after = 0;
            if (parseHeader(s.substr(pos, end - pos), path, after)) {
                bool created = false;
                sectionNode = ensureNode(path, created);
            } else {
                sectionNode = nullptr; // kept verbatim, belongs to no key
            }
        }
        pos = end;
    }
    close(s.size());
}

void RegFile::loadEmpty(const std::string& rootComment) {
    load(std::string(WineHeader) + "\n;; All keys relative to " + rootComment +
         "\n\n#arch=win64\n");
}

std::string RegFile::text() const {
    std::size_t size = 0;
    for (const auto& section : sections_)
        size += section.text().size();
    std::string out;
    out.reserve(size);
    for (const auto& section : sections_)
        out += section.text();
    return out;
}

bool RegFile::hasWineHeader() const {
    if (sections_.empty())
        return false;
    const std::string_view first = sections_.front().text();
    const std::string_view line = first.substr(0, first.find('\n'));
    return line == WineHeader || line == std::string(WineHeader) + "\r";
}

RegFile::Node* RegFile::find(const RegPath& path) const {
    Node* node = root_.get();
    for (const auto& name : path) {
        const auto it = node->children.find(foldedName(name));
        if (it == node->children.end())
            return nullptr;
        node = it->second.get();
    }
    return node;
}

RegFile::Node* RegFile::ensureNode(const RegPath& path, bool& created) {
    Node* node = root_.get();
    created = false;
    for (const auto& name : path) {
        std::u16string key = foldedName(name);
        auto it = node->children.find(key);
        if (it == node->children.end()) {
            auto child = std::make_unique<Node>();
            child->name = name;
            child->key = key;
            child->parent = node;
            it = node->children.emplace(std::move(key), std::move(child)).first;
            created = true;
        }
        node = it->second.get();
    }
    return node;
}

RegPath RegFile::pathOf(const Node* node) const {
    RegPath path;
    for (; node && node->parent; node = node->parent)
        path.push_back(node->name);
    std::reverse(path.begin(), path.end());
    return path;
}

RegPath RegFile::canonicalPath(const RegPath& path) const {
    if (const Node* node = find(path))
        return pathOf(node);
    return path;
}

bool RegFile::keyExists(const RegPath& path) const {
    return find(path) != nullptr;
}

std::vector<std::u16string> RegFile::subkeys(const RegPath& path) const {
    std::vector<std::u16string> names;
    if (const Node* node = find(path))
        for (const auto& [key, child] : node->children)
            names.push_back(child->name);
    return names;
}

std::size_t RegFile::subkeyCount(const RegPath& path) const {
    const Node* node = find(path);
    return node ? node->children.size() : 0;
}

bool RegFile::subkeyAt(const RegPath& path, std::size_t index, std::u16string& name) const {
    const Node* node = find(path);
    if (!node || index >= node->children.size())
        return false;
    auto it = node->children.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(index));
    name = it->second->name;
    return true;
}

std::optional<RegValue> RegFile::value(const RegPath& path, const std::u16string& name) const {
    const Node* node = find(path);
    if (!node)
        return std::nullopt;
    std::optional<RegValue> found;
    // A name written twice (in one section or in two spellings of the key): the last one wins,
    // as when Wine loads the file.
    for (const auto& section : node->sections)
        for (auto& item : parseItems(section->text()))
            if (item.kind == LineKind::Value && compareNames(item.value.name, name) == 0)
                found = std::move(item.value);
    return found;
}

std::vector<RegValue> RegFile::values(const RegPath& path) const {
    std::vector<RegValue> out;
    const Node* node = find(path);
    if (!node)
        return out;
    for (const auto& section : node->sections) {
        for (auto& item : parseItems(section->text())) {
            if (item.kind != LineKind::Value)
                continue;
            auto same = std::find_if(out.begin(), out.end(), [&](const RegValue& v) {
                return compareNames(v.name, item.value.name) == 0;
            });
            if (same != out.end())
                same->data = std::move(item.value.data), same->type = item.value.type;
            else
                out.push_back(std::move(item.value));
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const RegValue& a, const RegValue& b) {
        return compareNames(a.name, b.name) < 0;
    });
    return out;
}

namespace {

// Sets the section's two time stamps: the number after the header and the #time= line.
void stampSection(std::string& text, std::uint64_t fileTime) {
    const std::size_t headerEnd = lineEnd(text, 0);
    const std::string_view header = std::string_view(text).substr(0, headerEnd);
    RegPath ignored;
    std::size_t after = 0;
    if (!parseHeader(header, ignored, after))
        return;
    std::string newline = lineBreakOf(header);
    if (newline.empty())
        newline = "\n";
    std::string newHeader =
        std::string(header.substr(0, after)) + " " + headerTime(fileTime) + newline;
    const std::size_t oldSize = headerEnd;
    text.replace(0, oldSize, newHeader);

    const auto items = parseItems(text);
    for (const auto& item : items) {
        if (item.kind == LineKind::Time) {
            std::string line = timeLine(fileTime);
            const std::string lb =
                lineBreakOf(std::string_view(text).substr(item.begin, item.end - item.begin));
            if (lb != "\n" && !lb.empty())
                line.back() = '\r', line += "\n";
            text.replace(item.begin, item.end - item.begin, line);
            return;
        }
    }
    text.insert(newHeader.size(), timeLine(fileTime));
}

} // namespace

RegFile::SectionList::iterator RegFile::positionFor(Node* node) {
    // The next section in the pre-order of the key tree: first in the key's own subtree, then in
    // the subtrees of the siblings after it, then after its parent, and so on up.
    auto firstIn = [](auto&& self, Node* n) -> std::optional<SectionList::iterator> {
        if (!n->sections.empty())
            return n->sections.front();
        for (auto& [key, child] : n->children)
            if (auto found = self(self, child.get()))
                return found;
        return std::nullopt;
    };
    for (auto& [key, child] : node->children)
        if (auto found = firstIn(firstIn, child.get()))
            return *found;
    for (Node* n = node; n->parent; n = n->parent) {
        auto& siblings = n->parent->children;
        for (auto it = siblings.upper_bound(n->key); it != siblings.end(); ++it)
            if (auto found = firstIn(firstIn, it->second.get()))
                return *found;
    }
    return sections_.end();
}

RegFile::SectionList::iterator RegFile::insertSectionFor(Node* node, std::uint64_t fileTime) {
    const std::string body =
        "[" + joinPath(pathOf(node)) + "] " + headerTime(fileTime) + "\n" + timeLine(fileTime);
    const auto position = positionFor(node);
    Section section;
    section.changed = true;
    section.node = node;
    // Every section but the last ends with the blank line that comes before the next one.
    if (position == sections_.end()) {
        if (!sections_.empty()) {
            Section& last = sections_.back();
            if (!last.text().empty() && last.text().back() != '\n')
                last.edit().push_back('\n');
            last.edit().push_back('\n');
        }
        section.owned = body;
    } else {
        section.owned = body + "\n";
    }
    const auto inserted = sections_.insert(position, std::move(section));
    // Only keys without a section get one, so this is the key's only section.
    node->sections.push_back(inserted);
    return inserted;
}

void RegFile::dropSection(SectionList::iterator section) {
    const bool last = std::next(section) == sections_.end();
    if (Node* node = section->node) {
        auto& list = node->sections;
        list.erase(std::remove(list.begin(), list.end(), section), list.end());
    }
    if (last && section != sections_.begin()) {
        // The blank line in front of the last section ended the one before it: drop it too.
        auto previous = std::prev(section);
        const std::string_view text = previous->text();
        if (text.size() >= 2 && text.substr(text.size() - 2) == "\n\n")
            previous->edit().pop_back();
    }
    sections_.erase(section);
}

bool RegFile::needsSection(const Node* node) const {
    // Wine writes a key when it has values, no subkeys, a class or is a link. Kestrel also keeps
    // any section holding lines it does not understand.
    if (node->children.empty())
        return true;
    for (const auto& section : node->sections)
        for (const auto& item : parseItems(section->text())) {
            if (item.kind == LineKind::Value || item.kind == LineKind::Meta)
                return true;
            if (item.kind == LineKind::Other && !restIsBlank(section->text().substr(item.begin), 0))
                return true;
        }
    return false;
}

void RegFile::fitSection(Node* node, std::uint64_t fileTime) {
    if (node == root_.get())
        return;
    const bool needed = needsSection(node);
    if (needed && node->sections.empty())
        insertSectionFor(node, fileTime);
    else if (!needed)
        while (!node->sections.empty())
            dropSection(node->sections.back());
}

bool RegFile::createKey(const RegPath& path, std::uint64_t fileTime) {
    if (find(path))
        return false;
    // The deepest existing key gains a subkey: Wine stops writing its section if it was there
    // only because the key had no subkeys.
    Node* existing = root_.get();
    for (const auto& name : path) {
        auto it = existing->children.find(foldedName(name));
        if (it == existing->children.end())
            break;
        existing = it->second.get();
    }
    bool created = false;
    Node* node = ensureNode(path, created);
    insertSectionFor(node, fileTime);
    fitSection(existing, fileTime);
    return true;
}

void RegFile::removeSubtreeSections(Node* node) {
    for (auto& [key, child] : node->children)
        removeSubtreeSections(child.get());
    while (!node->sections.empty())
        dropSection(node->sections.back());
}

bool RegFile::deleteKey(const RegPath& path) {
    Node* node = find(path);
    if (!node || node == root_.get())
        return false;
    removeSubtreeSections(node);
    Node* parent = node->parent;
    parent->children.erase(node->key);
    fitSection(parent, fileTimeNow());
    return true;
}

void RegFile::setValue(const RegPath& path, const RegValue& value, std::uint64_t fileTime) {
    if (!find(path))
        createKey(path, fileTime);
    Node* node = find(path);
    // The section that holds the value now (the last one, which wins), else the key's first.
    SectionList::iterator target = sections_.end();
    for (auto section : node->sections)
        for (const auto& item : parseItems(section->text()))
            if (item.kind == LineKind::Value && compareNames(item.value.name, value.name) == 0)
                target = section;
    if (target == sections_.end())
        target = node->sections.empty() ? insertSectionFor(node, fileTime) : node->sections.front();

    std::string& text = target->edit();
    const auto items = parseItems(text);
    // A value written again keeps the spelling of its name, as in Windows.
    RegValue written = value;
    for (const auto& item : items)
        if (item.kind == LineKind::Value && compareNames(item.value.name, value.name) == 0)
            written.name = item.value.name;
    const std::string line = formatValue(written);
    std::optional<std::size_t> insertAt;
    std::size_t afterLast = 0;
    bool replaced = false;
    // Replace the last line of that name, drop earlier duplicates (back to front keeps offsets).
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (it->kind != LineKind::Value || compareNames(it->value.name, value.name) != 0)
            continue;
        text.replace(it->begin, it->end - it->begin, replaced ? std::string() : line);
        replaced = true;
    }
    if (!replaced) {
        for (const auto& item : items) {
            if (item.kind == LineKind::Value) {
                if (compareNames(item.value.name, value.name) > 0) {
                    insertAt = item.begin;
                    break;
                }
                afterLast = item.end;
            } else if (item.kind != LineKind::Other && afterLast <= item.begin) {
                afterLast = item.end;
            }
        }
        std::size_t at = insertAt.value_or(afterLast);
        std::string insert = line;
        if (at > 0 && text[at - 1] != '\n')
            insert.insert(0, "\n");
        // After a line that ends in a backslash Wine would read the new line as its data.
        const std::string_view before = std::string_view(text).substr(0, at);
        if (before.ends_with("\\\n") || before.ends_with("\\\r\n"))
            insert.insert(0, "\n");
        text.insert(at, insert);
    }
    stampSection(text, fileTime);
}

bool RegFile::deleteValue(const RegPath& path, const std::u16string& name, std::uint64_t fileTime) {
    Node* node = find(path);
    if (!node)
        return false;
    bool deleted = false;
    for (auto section : node->sections) {
        const auto items = parseItems(section->text());
        bool here = false;
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            if (it->kind != LineKind::Value || compareNames(it->value.name, name) != 0)
                continue;
            section->edit().erase(it->begin, it->end - it->begin);
            here = true;
        }
        if (here) {
            stampSection(section->edit(), fileTime);
            deleted = true;
        }
    }
    if (deleted)
        fitSection(node, fileTime);
    return deleted;
}

} // namespace kestrel::wine
