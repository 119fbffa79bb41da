#include "KeyValues.h"

namespace kestrel::wine {

namespace {

constexpr int MaxDepth = 64;

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            pos_ = 3;
    }

    bool block(KeyValue& into, int depth) {
        for (;;) {
            skipBlank();
            if (pos_ >= text_.size())
                return depth == 0; // the end of the text closes only the outermost level
            if (text_[pos_] == '}') {
                ++pos_;
                return depth > 0;
            }
            KeyValue entry;
            if (!word(entry.key))
                return false;
            skipBlank();
            skipCondition();
            if (pos_ >= text_.size())
                return false;
            if (text_[pos_] == '{') {
                ++pos_;
                entry.block = true;
                if (depth + 1 >= MaxDepth)
                    return false;
                const bool ok = block(entry, depth + 1);
                into.children.push_back(std::move(entry));
                if (!ok)
                    return false;
                continue;
            }
            if (!word(entry.value))
                return false;
            skipBlank();
            skipCondition();
            into.children.push_back(std::move(entry));
        }
    }

private:
    // Blanks, line breaks and // comments.
    void skipBlank() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else {
                return;
            }
        }
    }

    // A platform condition such as [$WIN32] after a key or a value: Steam's own files on Linux
    // do not use them, so they are read past and do not filter anything.
    void skipCondition() {
        if (pos_ < text_.size() && text_[pos_] == '[') {
            const std::size_t close = text_.find(']', pos_);
            if (close == std::string_view::npos ||
                text_.substr(pos_, close - pos_).find('\n') != std::string_view::npos)
                return; // not a condition: left for word() to refuse or read
            pos_ = close + 1;
            skipBlank();
        }
    }

    // A quoted string with the escapes \\ \" \n \t, or a bare word up to a blank or a brace.
    bool word(std::string& out) {
        if (pos_ >= text_.size())
            return false;
        const char first = text_[pos_];
        if (first == '{' || first == '}')
            return false;
        if (first != '"') {
            const std::size_t start = pos_;
            while (pos_ < text_.size()) {
                const char c = text_[pos_];
                if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '{' ||
                    c == '}')
                    break;
                ++pos_;
            }
            out.assign(text_.substr(start, pos_ - start));
            return true;
        }
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"')
                return true;
            if (c == '\\' && pos_ < text_.size()) {
                const char next = text_[pos_];
                if (next == '\\' || next == '"') {
                    out.push_back(next);
                    ++pos_;
                    continue;
                }
                if (next == 'n' || next == 't') {
                    out.push_back(next == 'n' ? '\n' : '\t');
                    ++pos_;
                    continue;
                }
            }
            out.push_back(c);
        }
        return false; // the text ended inside the quotes
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

const KeyValue* KeyValue::find(std::string_view name) const {
    for (const KeyValue& child : children)
        if (sameName(child.key, name))
            return &child;
    return nullptr;
}

std::string KeyValue::text(std::string_view name) const {
    const KeyValue* found = find(name);
    return found && !found->block ? found->value : std::string();
}

bool parseKeyValues(std::string_view text, KeyValue& root) {
    root.block = true;
    return Reader(text).block(root, 0);
}

} // namespace kestrel::wine
