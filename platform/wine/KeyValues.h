#pragma once
// Steam's text key-value files (libraryfolders.vdf, appmanifest_<appid>.acf): nested blocks of
// "key" "value" pairs and "key" { ... } blocks, with // comments. No library reads them, so this
// small reader does; it never throws and gives up on input it cannot follow.

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::wine {

struct KeyValue {
    std::string key;
    std::string value;              // text of a "key" "value" pair
    std::vector<KeyValue> children; // entries of a "key" { ... } block
    bool block = false;

    // The first entry of this block with this key, compared as Steam compares them (ASCII case
    // ignored); nullptr when there is none.
    const KeyValue* find(std::string_view name) const;
    // The text of that entry, or empty when it is missing or a block.
    std::string text(std::string_view name) const;
};

// Reads a whole file's text into root's children. Returns false when the text is not well formed
// (an unclosed quote or block, a key without a value, a stray brace, nesting deeper than 64);
// what was read before that point stays in root.
bool parseKeyValues(std::string_view text, KeyValue& root);

} // namespace kestrel::wine
