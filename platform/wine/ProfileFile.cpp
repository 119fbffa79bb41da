#include "ProfileFile.h"

#include "../Codepage.h"
#include "NameCase.h"

#include <optional>
#include <vector>

namespace kestrel::wine::profile {

namespace {

enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };

bool isBlank(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A;
}

std::wstring trimmed(const std::wstring& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::wstring leftTrimmed(const std::wstring& text) {
    std::size_t begin = 0;
    while (begin < text.size() && isBlank(text[begin]))
        ++begin;
    return text.substr(begin);
}

// The file's bytes, split into lines that keep their exact bytes, with each line's text decoded.
class Text {
public:
    Text(const std::string& bytes, unsigned codePage) : bytes_(bytes), codePage_(codePage) {
        if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
            encoding_ = Encoding::Utf8;
            bom_ = 3;
        } else if (bytes.rfind("\xFF\xFE", 0) == 0) {
            encoding_ = Encoding::Utf16LE;
            bom_ = 2;
        } else if (bytes.rfind("\xFE\xFF", 0) == 0) {
            encoding_ = Encoding::Utf16BE;
            bom_ = 2;
        }
        const std::size_t unit = unitSize();
        std::size_t begin = bom_;
        while (begin < bytes.size()) {
            std::size_t pos = begin;
            while (pos + unit <= bytes.size() && unitAt(pos) != L'\n')
                pos += unit;
            Line line;
            line.begin = begin;
            line.contentEnd = std::min(pos, bytes.size());
            line.end = std::min(pos + unit, bytes.size());
            line.terminated = pos + unit <= bytes.size();
            line.text = decode(bytes.substr(line.begin, line.contentEnd - line.begin));
            if (!line.text.empty() && line.text.back() == L'\r') {
                line.text.pop_back();
                line.crlf = true;
            }
            begin = line.end;
            lines_.push_back(std::move(line));
        }
    }

    struct Line {
        std::size_t begin = 0, contentEnd = 0, end = 0;
        bool terminated = false;
        bool crlf = false;
        std::wstring text;
    };
    const std::vector<Line>& lines() const { return lines_; }
    const std::string& bytes() const { return bytes_; }

    std::string encode(const std::wstring& text) const {
        switch (encoding_) {
        case Encoding::Ansi:
            return codepage::fromWide(text, codePage_);
        case Encoding::Utf8:
            return codepage::toUtf8(text);
        case Encoding::Utf16LE:
        case Encoding::Utf16BE: {
            std::string out;
            for (wchar_t wc : text) {
                const auto c = static_cast<std::uint32_t>(wc);
                auto put = [&](std::uint32_t unit) {
                    const char lo = static_cast<char>(unit & 0xFF),
                               hi = static_cast<char>(unit >> 8);
                    if (encoding_ == Encoding::Utf16LE) {
                        out += lo;
                        out += hi;
                    } else {
                        out += hi;
                        out += lo;
                    }
                };
                if (c >= 0x10000) {
                    put(0xD800 + ((c - 0x10000) >> 10));
                    put(0xDC00 + ((c - 0x10000) & 0x3FF));
                } else {
                    put(c);
                }
            }
            return out;
        }
        }
        return {};
    }

    // The line break new lines get: the file's first one, else CR LF as Wine writes.
    std::wstring lineBreak() const {
        for (const auto& line : lines_)
            if (line.terminated)
                return line.crlf ? L"\r\n" : L"\n";
        return L"\r\n";
    }

private:
    std::size_t unitSize() const {
        return encoding_ == Encoding::Utf16LE || encoding_ == Encoding::Utf16BE ? 2 : 1;
    }
    wchar_t unitAt(std::size_t pos) const {
        const auto b0 = static_cast<unsigned char>(bytes_[pos]);
        if (unitSize() == 1)
            return static_cast<wchar_t>(b0);
        const auto b1 = static_cast<unsigned char>(bytes_[pos + 1]);
        return static_cast<wchar_t>(encoding_ == Encoding::Utf16LE ? (b1 << 8) | b0
                                                                   : (b0 << 8) | b1);
    }
    std::wstring decode(const std::string& raw) const {
        switch (encoding_) {
        case Encoding::Ansi:
            return codepage::toWide(raw, codePage_);
        case Encoding::Utf8:
            return codepage::fromUtf8(raw);
        case Encoding::Utf16LE:
        case Encoding::Utf16BE: {
            std::wstring out;
            for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
                const auto b0 = static_cast<unsigned char>(raw[i]);
                const auto b1 = static_cast<unsigned char>(raw[i + 1]);
                std::uint32_t unit =
                    encoding_ == Encoding::Utf16LE ? (b1 << 8) | b0 : (b0 << 8) | b1;
                if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < raw.size()) {
                    const auto c0 = static_cast<unsigned char>(raw[i + 2]);
                    const auto c1 = static_cast<unsigned char>(raw[i + 3]);
                    const std::uint32_t low =
                        encoding_ == Encoding::Utf16LE ? (c1 << 8) | c0 : (c0 << 8) | c1;
                    if (low >= 0xDC00 && low < 0xE000) {
                        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                        i += 2;
                    }
                }
                out.push_back(static_cast<wchar_t>(unit));
            }
            return out;
        }
        }
        return {};
    }

    std::string bytes_;
    unsigned codePage_;
    Encoding encoding_ = Encoding::Ansi;
    std::size_t bom_ = 0;
    std::vector<Line> lines_;
};

struct Key {
    std::wstring name;
    std::optional<std::wstring> value; // none for a line without "="
    std::size_t line = 0;
};

struct Section {
    std::wstring name;
    std::vector<Key> keys;
    std::optional<std::size_t> header;   // none for the keys before the first section
    std::optional<std::size_t> lastLine; // the last line that is not blank
};

// Wine's reading of a profile: a trimmed line "[name]..." starts a section (the name runs to
// the last "]", blanks included); any other non-blank line is a key, "name = value" or a bare
// name; keys before the first section belong to a section without a name.
std::vector<Section> parse(const Text& text) {
    std::vector<Section> sections(1);
    for (std::size_t i = 0; i < text.lines().size(); ++i) {
        const std::wstring line = trimmed(text.lines()[i].text);
        if (line.empty())
            continue;
        if (line[0] == L'[') {
            const std::size_t close = line.rfind(L']');
            if (close != std::wstring::npos) {
                Section section;
                section.name = line.substr(1, close - 1);
                section.header = i;
                section.lastLine = i;
                sections.push_back(std::move(section));
                continue;
            }
        }
        Key key;
        key.line = i;
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) {
            key.name = line;
        } else {
            key.name = trimmed(line.substr(0, equals));
            key.value = leftTrimmed(line.substr(equals + 1));
        }
        sections.back().keys.push_back(std::move(key));
        sections.back().lastLine = i;
    }
    return sections;
}

Section* findSection(std::vector<Section>& sections, const std::wstring& name) {
    for (auto& section : sections)
        if (equalNoCase(section.name, name))
            return &section;
    return nullptr;
}

Key* findKey(Section& section, const std::wstring& name) {
    for (auto& key : section.keys)
        if (equalNoCase(key.name, name))
            return &key;
    return nullptr;
}

// Wine's copy of a value into the caller's buffer of len characters: a value in matching single
// or double quotes loses them, the closing one only when the buffer holds the whole value.
std::wstring copyEntry(const std::wstring& value, std::uint32_t len) {
    std::wstring v = value;
    bool quoted = false;
    if (!v.empty() && (v[0] == L'\'' || v[0] == L'"') && v.size() > 1 && v.back() == v[0]) {
        quoted = true;
        v.erase(0, 1);
    }
    std::wstring out = v.substr(0, len - 1);
    if (quoted && len >= v.size() && !out.empty())
        out.pop_back();
    return out;
}

} // namespace

std::uint32_t getString(const std::string* file, const std::string& section, const std::string& key,
                        const std::string& defaultValue, std::string& result, std::uint32_t size,
                        unsigned codePage) {
    result.clear();
    if (size == 0)
        return 0;
    // Trailing blanks of the default go (all but the first character of an all-blank one).
    std::wstring def = codepage::toWide(defaultValue, codePage);
    while (def.size() > 1 && def.back() == L' ')
        def.pop_back();

    std::wstring value;
    if (!file) {
        value = def.substr(0, size - 1);
    } else {
        const Text text(*file, codePage);
        auto sections = parse(text);
        const Key* found = nullptr;
        if (Section* s = findSection(sections, trimmed(codepage::toWide(section, codePage))))
            found = findKey(*s, trimmed(codepage::toWide(key, codePage)));
        value = copyEntry(found && found->value ? *found->value : def, size);
    }
    result = codepage::fromWide(value, codePage).substr(0, size - 1);
    return static_cast<std::uint32_t>(result.size());
}

std::string setString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value, unsigned codePage) {
    const Text text(file, codePage);
    auto sections = parse(text);
    const std::wstring sectionName = trimmed(codepage::toWide(section, codePage));
    const std::wstring keyName = leftTrimmed(codepage::toWide(key, codePage));
    const std::wstring newValue = leftTrimmed(codepage::toWide(value, codePage));
    const std::wstring lineBreak = text.lineBreak();
    const auto& lines = text.lines();

    // Replaces the bytes [from, to) of the file.
    auto splice = [&](std::size_t from, std::size_t to, const std::string& bytes) {
        return file.substr(0, from) + bytes + file.substr(to);
    };
    // Inserts lines after line `after` (or at the start of the text when there is none),
    // ending an unterminated line first.
    auto insertAfter = [&](std::optional<std::size_t> after, const std::wstring& newLines) {
        if (!after) {
            const std::size_t start = lines.empty() ? file.size() : lines.front().begin;
            return splice(start, start, text.encode(newLines));
        }
        const auto& line = lines[*after];
        const std::string prefix = line.terminated ? "" : text.encode(lineBreak);
        return splice(line.end, line.end, prefix + text.encode(newLines));
    };

    Section* target = findSection(sections, sectionName);
    if (target) {
        if (Key* existing = findKey(*target, trimmed(keyName))) {
            if (existing->value && *existing->value == newValue)
                return file;
            const auto& line = lines[existing->line];
            const std::size_t end =
                line.crlf ? line.contentEnd - text.encode(L"\r").size() : line.contentEnd;
            return splice(line.begin, end, text.encode(existing->name + L"=" + newValue));
        }
        return insertAfter(target->lastLine, keyName + L"=" + newValue + lineBreak);
    }

    // A new section at the end of the file, after a blank line when the file has text.
    std::string out = file;
    if (!lines.empty() && !lines.back().terminated)
        out += text.encode(lineBreak);
    std::wstring block;
    if (!lines.empty() && !trimmed(lines.back().text).empty())
        block += lineBreak;
    block += L"[" + sectionName + L"]" + lineBreak + keyName + L"=" + newValue + lineBreak;
    return out + text.encode(block);
}

} // namespace kestrel::wine::profile
