#include "RegFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

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

// A key's name while it is compared or stored: the file's own bytes when they are plain ASCII (no
// escapes), else UTF-16 text. Either way no allocation per key while a file is read. `ref` is where
// a key keeps it: the offset in the file's text, or the index in names_.
struct RegFile::Name {
    const void* data = nullptr;
    std::uint32_t size = 0;
    bool wide = false;
    std::uint32_t ref = 0;

    static Name plain(std::string_view bytes, std::uint32_t offset) {
        return {bytes.data(), static_cast<std::uint32_t>(bytes.size()), false, offset};
    }
    static Name utf16(std::u16string_view text, std::uint32_t index = 0) {
        return {text.data(), static_cast<std::uint32_t>(text.size()), true, index};
    }
    char16_t at(std::size_t i) const {
        return wide ? static_cast<const char16_t*>(data)[i]
                    : static_cast<char16_t>(static_cast<const unsigned char*>(data)[i]);
    }
    std::u16string str() const {
        if (wide)
            return std::u16string(static_cast<const char16_t*>(data), size);
        const auto* bytes = static_cast<const char*>(data);
        return std::u16string(bytes, bytes + size);
    }
};

struct RegFile::Section {
    std::uint32_t begin = 0; // in original_, while unchanged
    std::uint32_t size = 0;
    std::uint32_t edited = 0; // 1 + the index of its text in edits_ once changed, else 0
    NodeId node = NoNode;     // the key; none for the preamble and lines under a broken header
};

// Children are a list sorted case-insensitively, as Wine enumerates them.
struct RegFile::Node {
    static constexpr std::uint32_t Wide = 0x80000000u;
    std::uint32_t nameRef = 0;
    std::uint32_t nameSize = 0; // with Wide set when the name is in names_
    NodeId parent = NoNode;
    NodeId firstChild = NoNode;
    NodeId nextSibling = NoNode;
    std::uint32_t firstSection = 0; // in file order, when sectionCount > 0
    std::uint32_t sectionCount = 0;
};

namespace {

// Case-insensitive comparison of two names given by their characters.
template <class A, class B>
int compareFolded(const A& a, std::size_t an, const B& b, std::size_t bn) {
    const std::size_t n = std::min(an, bn);
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t ua = lower(a(i)), ub = lower(b(i));
        if (ua != ub)
            return ua < ub ? -1 : 1;
    }
    return an == bn ? 0 : (an < bn ? -1 : 1);
}

} // namespace

RegFile::RegFile() {
    nodes_.emplace_back();
}
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
    nodes_.clear();
    names_.clear();
    edits_.clear();
    cursor_ = {};
    nodes_.emplace_back();
    if (text.size() > MaxSize)
        text.clear();
    original_ = std::move(text);
    // Plain names point into the text: keep it out of the string's inner buffer, which moves
    // with the object.
    if (original_.capacity() < 32)
        original_.reserve(32);
    const std::string_view s = original_;
    const char* const base = original_.data();

    std::size_t sectionStart = 0;
    NodeId sectionNode = NoNode;
    bool preamble = true;
    auto close = [&](std::size_t end) {
        if (end == sectionStart && !preamble)
            return;
        Section& section = sections_.emplace_back();
        section.begin = static_cast<std::uint32_t>(sectionStart);
        section.size = static_cast<std::uint32_t>(end - sectionStart);
        section.node = sectionNode;
        if (sectionNode != NoNode && nodes_[sectionNode].sectionCount++ == 0)
            nodes_[sectionNode].firstSection = static_cast<std::uint32_t>(sections_.size() - 1);
    };

    // Consecutive headers share most of their path: the keys of the last one are reused for the
    // components that are byte for byte the same.
    std::vector<std::string_view> lastNames;
    std::vector<NodeId> lastNodes;
    std::vector<std::string_view> names;
    RegPath path;
    // Headers are the lines whose first character other than blanks is '[': look for each '['
    // and at what comes before it on its line.
    std::size_t search = 0;
    while (search < s.size()) {
        const char* bracket =
            static_cast<const char*>(std::memchr(base + search, '[', s.size() - search));
        if (!bracket)
            break;
        const std::size_t p = static_cast<std::size_t>(bracket - base);
        std::size_t pos = p;
        while (pos > 0 && isBlank(s[pos - 1]))
            --pos;
        if (pos > 0 && s[pos - 1] != '\n') {
            search = p + 1;
            continue;
        }
        const char* nl = static_cast<const char*>(std::memchr(bracket, '\n', s.size() - p));
        const std::size_t end = nl ? static_cast<std::size_t>(nl - base) + 1 : s.size();
        close(pos);
        preamble = false;
        sectionStart = pos;
        // The common header: plain ASCII names joined by "\\", then ']'.
        names.clear();
        bool plain = true;
        std::size_t q = p + 1, start = q;
        for (;; ++q) {
            if (q >= end) {
                plain = false;
                break;
            }
            const auto c = static_cast<unsigned char>(s[q]);
            if (c == ']' || (c == '\\' && q + 1 < end && s[q + 1] == '\\')) {
                if (q > start)
                    names.push_back(s.substr(start, q - start));
                if (c == ']')
                    break;
                start = ++q + 1;
                continue;
            }
            if (c == '\\' || c >= 0x80 || c == '\0' || c == '\n') {
                plain = false;
                break;
            }
        }
        if (plain) {
            NodeId node = Root;
            std::size_t i = 0;
            for (; i < names.size() && i < lastNames.size() && names[i] == lastNames[i]; ++i)
                node = lastNodes[i];
            // In a file in Wine's order the previous header's key at this depth is the sibling
            // just before the new key: the search starts there.
            NodeId before = i < lastNodes.size() ? lastNodes[i] : NoNode;
            lastNames.resize(i);
            lastNodes.resize(i);
            for (; i < names.size(); ++i) {
                bool created = false;
                const Name name =
                    Name::plain(names[i], static_cast<std::uint32_t>(names[i].data() - base));
                node = childFor(node, name, true, created, before);
                before = NoNode;
                lastNames.push_back(names[i]);
                lastNodes.push_back(node);
            }
            sectionNode = node;
        } else {
            lastNames.clear();
            lastNodes.clear();
            std::size_t after = 0;
            if (parseHeader(s.substr(pos, end - pos), path, after)) {
                bool created = false;
                sectionNode = ensureNode(path, created);
            } else {
                sectionNode = NoNode; // kept verbatim, belongs to no key
            }
        }
        search = end;
    }
    close(s.size());
}

void RegFile::loadEmpty(const std::string& rootComment) {
    load(std::string(WineHeader) + "\n;; All keys relative to " + rootComment +
         "\n\n#arch=win64\n");
}

std::string_view RegFile::sectionText(std::size_t index) const {
    const Section& section = sections_[index];
    if (section.edited)
        return edits_[section.edited - 1];
    return std::string_view(original_).substr(section.begin, section.size);
}

std::string& RegFile::edit(std::size_t index) {
    Section& section = sections_[index];
    if (!section.edited) {
        edits_.emplace_back(original_, section.begin, section.size);
        section.edited = static_cast<std::uint32_t>(edits_.size());
    }
    return edits_[section.edited - 1];
}

std::string RegFile::text() const {
    std::size_t size = 0;
    for (std::size_t i = 0; i < sections_.size(); ++i)
        size += sectionText(i).size();
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < sections_.size(); ++i)
        out += sectionText(i);
    return out;
}

bool RegFile::hasWineHeader() const {
    if (sections_.empty())
        return false;
    const std::string_view first = sectionText(0);
    const std::string_view line = first.substr(0, first.find('\n'));
    return line == WineHeader || line == std::string(WineHeader) + "\r";
}

RegFile::Name RegFile::nameOf(NodeId id) const {
    const Node& node = nodes_[id];
    const std::uint32_t size = node.nameSize & ~Node::Wide;
    if (node.nameSize & Node::Wide)
        return Name::utf16(std::u16string_view(names_[node.nameRef]).substr(0, size), node.nameRef);
    return Name::plain(std::string_view(original_).substr(node.nameRef, size), node.nameRef);
}

RegFile::NodeId RegFile::childFor(NodeId parent, const Name& name, bool create, bool& created,
                                  NodeId after) {
    created = false;
    auto order = [&](NodeId child) {
        const Name childName = nameOf(child);
        return compareFolded([&](std::size_t i) { return childName.at(i); }, childName.size,
                             [&](std::size_t i) { return name.at(i); }, name.size);
    };
    // The child goes after `previous` and before `next`.
    NodeId previous = NoNode;
    NodeId next = nodes_[parent].firstChild;
    if (after != NoNode && nodes_[after].parent == parent && order(after) < 0) {
        previous = after;
        next = nodes_[after].nextSibling;
    }
    for (; next != NoNode; previous = next, next = nodes_[next].nextSibling) {
        const int o = order(next);
        if (o == 0)
            return next;
        if (o > 0)
            break;
    }
    if (!create)
        return NoNode;
    created = true;
    cursor_ = {};
    const auto id = static_cast<NodeId>(nodes_.size());
    Node& node = nodes_.emplace_back();
    node.nameRef = name.ref;
    node.nameSize = name.size | (name.wide ? Node::Wide : 0);
    node.parent = parent;
    node.nextSibling = next;
    (previous == NoNode ? nodes_[parent].firstChild : nodes_[previous].nextSibling) = id;
    return id;
}

RegFile::NodeId RegFile::find(const RegPath& path) const {
    auto* self = const_cast<RegFile*>(this);
    NodeId node = Root;
    for (const auto& name : path) {
        bool created = false;
        node = self->childFor(node, Name::utf16(name), false, created);
        if (node == NoNode)
            return NoNode;
    }
    return node;
}

RegFile::NodeId RegFile::ensureNode(const RegPath& path, bool& created) {
    NodeId node = Root;
    created = false;
    for (const auto& name : path) {
        bool now = false;
        NodeId child = childFor(node, Name::utf16(name), false, now);
        if (child == NoNode) {
            names_.emplace_back(name);
            const auto index = static_cast<std::uint32_t>(names_.size() - 1);
            child = childFor(node, Name::utf16(names_.back(), index), true, now);
            created = true;
        }
        node = child;
    }
    return node;
}

RegFile::NodeId RegFile::childAt(NodeId parent, std::size_t index) const {
    NodeId child = nodes_[parent].firstChild;
    std::size_t at = 0;
    if (cursor_.parent == parent && cursor_.index <= index) {
        child = cursor_.child;
        at = cursor_.index;
    }
    for (; child != NoNode && at < index; ++at)
        child = nodes_[child].nextSibling;
    if (child != NoNode)
        cursor_ = {parent, at, child};
    return child;
}

RegPath RegFile::pathOf(NodeId node) const {
    RegPath path;
    for (; node != NoNode && node != Root; node = nodes_[node].parent)
        path.push_back(nameOf(node).str());
    std::reverse(path.begin(), path.end());
    return path;
}

RegPath RegFile::canonicalPath(const RegPath& path) const {
    if (const NodeId node = find(path); node != NoNode)
        return pathOf(node);
    return path;
}

bool RegFile::keyExists(const RegPath& path) const {
    return find(path) != NoNode;
}

std::vector<std::u16string> RegFile::subkeys(const RegPath& path) const {
    std::vector<std::u16string> names;
    if (const NodeId node = find(path); node != NoNode)
        for (NodeId child = nodes_[node].firstChild; child != NoNode;
             child = nodes_[child].nextSibling)
            names.push_back(nameOf(child).str());
    return names;
}

std::size_t RegFile::subkeyCount(const RegPath& path) const {
    const NodeId node = find(path);
    std::size_t count = 0;
    if (node != NoNode)
        for (NodeId child = nodes_[node].firstChild; child != NoNode;
             child = nodes_[child].nextSibling)
            ++count;
    return count;
}

bool RegFile::subkeyAt(const RegPath& path, std::size_t index, std::u16string& name) const {
    const NodeId node = find(path);
    const NodeId child = node == NoNode ? NoNode : childAt(node, index);
    if (child == NoNode)
        return false;
    name = nameOf(child).str();
    return true;
}

std::vector<std::size_t> RegFile::sectionsOf(NodeId id) const {
    std::vector<std::size_t> out;
    const Node& node = nodes_[id];
    if (node.sectionCount == 0)
        return out;
    out.push_back(node.firstSection);
    for (std::size_t i = node.firstSection + 1;
         out.size() < node.sectionCount && i < sections_.size(); ++i)
        if (sections_[i].node == id)
            out.push_back(i);
    return out;
}

std::optional<RegValue> RegFile::value(const RegPath& path, const std::u16string& name) const {
    const NodeId node = find(path);
    if (node == NoNode)
        return std::nullopt;
    std::optional<RegValue> found;
    // A name written twice (in one section or in two spellings of the key): the last one wins,
    // as when Wine loads the file.
    for (std::size_t section : sectionsOf(node))
        for (auto& item : parseItems(sectionText(section)))
            if (item.kind == LineKind::Value && compareNames(item.value.name, name) == 0)
                found = std::move(item.value);
    return found;
}

std::vector<RegValue> RegFile::values(const RegPath& path) const {
    std::vector<RegValue> out;
    const NodeId node = find(path);
    if (node == NoNode)
        return out;
    for (std::size_t section : sectionsOf(node))
        for (auto& item : parseItems(sectionText(section)))
            if (item.kind == LineKind::Value)
                out.push_back(std::move(item.value));
    std::stable_sort(out.begin(), out.end(), [](const RegValue& a, const RegValue& b) {
        return compareNames(a.name, b.name) < 0;
    });
    // A name written twice: the first spelling, the last data, as when Wine loads the file.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (kept > 0 && compareNames(out[kept - 1].name, out[i].name) == 0) {
            out[kept - 1].type = out[i].type;
            out[kept - 1].data = std::move(out[i].data);
        } else {
            if (kept != i)
                out[kept] = std::move(out[i]);
            ++kept;
        }
    }
    out.resize(kept);
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

void RegFile::reindex() {
    for (Node& node : nodes_) {
        node.firstSection = 0;
        node.sectionCount = 0;
    }
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (const NodeId id = sections_[i].node; id != NoNode && nodes_[id].sectionCount++ == 0)
            nodes_[id].firstSection = static_cast<std::uint32_t>(i);
}

std::size_t RegFile::firstSectionIn(NodeId node) const {
    if (nodes_[node].sectionCount)
        return nodes_[node].firstSection;
    for (NodeId child = nodes_[node].firstChild; child != NoNode; child = nodes_[child].nextSibling)
        if (const std::size_t found = firstSectionIn(child); found != NoSection)
            return found;
    return NoSection;
}

std::size_t RegFile::positionFor(NodeId node) const {
    // The next section in the pre-order of the key tree: first in the key's own subtree, then in
    // the subtrees of the siblings after it, then after its parent, and so on up.
    for (NodeId child = nodes_[node].firstChild; child != NoNode; child = nodes_[child].nextSibling)
        if (const std::size_t found = firstSectionIn(child); found != NoSection)
            return found;
    for (NodeId n = node; n != Root; n = nodes_[n].parent)
        for (NodeId sibling = nodes_[n].nextSibling; sibling != NoNode;
             sibling = nodes_[sibling].nextSibling)
            if (const std::size_t found = firstSectionIn(sibling); found != NoSection)
                return found;
    return sections_.size();
}

std::size_t RegFile::insertSectionFor(NodeId node, std::uint64_t fileTime) {
    const std::string body =
        "[" + joinPath(pathOf(node)) + "] " + headerTime(fileTime) + "\n" + timeLine(fileTime);
    const std::size_t position = positionFor(node);
    Section section;
    section.node = node;
    // Every section but the last ends with the blank line that comes before the next one.
    if (position == sections_.size()) {
        if (!sections_.empty()) {
            const std::size_t last = sections_.size() - 1;
            if (!sectionText(last).empty() && sectionText(last).back() != '\n')
                edit(last).push_back('\n');
            edit(last).push_back('\n');
        }
        edits_.push_back(body);
    } else {
        edits_.push_back(body + "\n");
    }
    section.edited = static_cast<std::uint32_t>(edits_.size());
    sections_.insert(sections_.begin() + static_cast<std::ptrdiff_t>(position), std::move(section));
    reindex();
    return position;
}

void RegFile::dropSections(std::vector<std::size_t> drop) {
    if (drop.empty())
        return;
    std::sort(drop.begin(), drop.end());
    const bool lastDropped = drop.back() == sections_.size() - 1;
    for (auto it = drop.rbegin(); it != drop.rend(); ++it)
        sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(*it));
    if (lastDropped && sections_.size() > 0) {
        // The blank line in front of the old last section ended the one now last: drop it too.
        const std::size_t last = sections_.size() - 1;
        const std::string_view text = sectionText(last);
        if (text.size() >= 2 && text.substr(text.size() - 2) == "\n\n")
            edit(last).pop_back();
    }
    reindex();
}

bool RegFile::needsSection(NodeId node) const {
    // Wine writes a key when it has values, no subkeys, a class or is a link. Kestrel also keeps
    // any section holding lines it does not understand.
    if (nodes_[node].firstChild == NoNode)
        return true;
    for (std::size_t section : sectionsOf(node)) {
        const std::string_view text = sectionText(section);
        for (const auto& item : parseItems(text)) {
            if (item.kind == LineKind::Value || item.kind == LineKind::Meta)
                return true;
            if (item.kind == LineKind::Other && !restIsBlank(text.substr(item.begin), 0))
                return true;
        }
    }
    return false;
}

void RegFile::fitSection(NodeId node, std::uint64_t fileTime) {
    if (node == Root)
        return;
    const bool needed = needsSection(node);
    if (needed && nodes_[node].sectionCount == 0)
        insertSectionFor(node, fileTime);
    else if (!needed)
        dropSections(sectionsOf(node));
}

bool RegFile::createKey(const RegPath& path, std::uint64_t fileTime) {
    if (find(path) != NoNode)
        return false;
    // The deepest existing key gains a subkey: Wine stops writing its section if it was there
    // only because the key had no subkeys.
    NodeId existing = Root;
    for (const auto& name : path) {
        bool created = false;
        const NodeId child = childFor(existing, Name::utf16(name), false, created);
        if (child == NoNode)
            break;
        existing = child;
    }
    bool created = false;
    const NodeId node = ensureNode(path, created);
    insertSectionFor(node, fileTime);
    fitSection(existing, fileTime);
    return true;
}

void RegFile::collectSubtreeSections(NodeId node, std::vector<std::size_t>& out) const {
    for (NodeId child = nodes_[node].firstChild; child != NoNode; child = nodes_[child].nextSibling)
        collectSubtreeSections(child, out);
    const auto own = sectionsOf(node);
    out.insert(out.end(), own.begin(), own.end());
}

bool RegFile::deleteKey(const RegPath& path) {
    const NodeId node = find(path);
    if (node == NoNode || node == Root)
        return false;
    std::vector<std::size_t> drop;
    collectSubtreeSections(node, drop);
    dropSections(std::move(drop));
    const NodeId parent = nodes_[node].parent;
    NodeId* link = &nodes_[parent].firstChild;
    while (*link != node)
        link = &nodes_[*link].nextSibling;
    *link = nodes_[node].nextSibling;
    cursor_ = {};
    fitSection(parent, fileTimeNow());
    return true;
}

void RegFile::setValue(const RegPath& path, const RegValue& value, std::uint64_t fileTime) {
    if (find(path) == NoNode)
        createKey(path, fileTime);
    const NodeId node = find(path);
    // The section that holds the value now (the last one, which wins), else the key's first.
    std::size_t target = NoSection;
    for (std::size_t section : sectionsOf(node))
        for (const auto& item : parseItems(sectionText(section)))
            if (item.kind == LineKind::Value && compareNames(item.value.name, value.name) == 0)
                target = section;
    if (target == NoSection)
        target = nodes_[node].sectionCount == 0 ? insertSectionFor(node, fileTime)
                                                : nodes_[node].firstSection;

    std::string& text = edit(target);
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
    const NodeId node = find(path);
    if (node == NoNode)
        return false;
    bool deleted = false;
    for (std::size_t section : sectionsOf(node)) {
        const auto items = parseItems(sectionText(section));
        bool here = false;
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
            if (it->kind != LineKind::Value || compareNames(it->value.name, name) != 0)
                continue;
            edit(section).erase(it->begin, it->end - it->begin);
            here = true;
        }
        if (here) {
            stampSection(edit(section), fileTime);
            deleted = true;
        }
    }
    if (deleted)
        fitSection(node, fileTime);
    return deleted;
}

} // namespace kestrel::wine
