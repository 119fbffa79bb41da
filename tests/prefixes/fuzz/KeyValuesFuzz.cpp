// libFuzzer target for Steam's key-value reader: whatever the bytes, reading never crashes or
// hangs, and a file it accepts, written out again, reads back to the same entries.

#include "platform/wine/KeyValues.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using kestrel::wine::KeyValue;

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

void writeBlock(const KeyValue& block, std::string& out) {
    for (const KeyValue& entry : block.children) {
        out += quoted(entry.key);
        if (entry.block) {
            out += "\n{\n";
            writeBlock(entry, out);
            out += "}\n";
        } else {
            out += "\t" + quoted(entry.value) + "\n";
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    KeyValue root;
    const bool ok = kestrel::wine::parseKeyValues(input, root);
    // Lookups by any key read in walk the entries without harm.
    if (!root.children.empty())
        (void)root.text(root.children.front().key);
    if (!ok)
        return 0;
    // Writing is unambiguous (every key and value quoted, blocks braced), so the same entries
    // write out as the same text.
    std::string written, rewritten;
    writeBlock(root, written);
    KeyValue again;
    if (!kestrel::wine::parseKeyValues(written, again))
        std::abort();
    writeBlock(again, rewritten);
    if (rewritten != written)
        std::abort();
    return 0;
}
