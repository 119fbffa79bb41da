// libFuzzer target for Steam's key-value reader: whatever the bytes, reading never crashes or
// hangs, and a file it accepts, written out again, reads back to the same entries.

#include "platform/wine/KeyValues.h"

#include <cstdint>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <string>

namespace {

using kestrel::wine::KeyValue;

// Every key and value quoted, quotes and backslashes in them escaped with a backslash.
void writeBlock(const KeyValue& block, std::ostream& out) {
    for (const KeyValue& entry : block.children) {
        out << std::quoted(entry.key);
        if (entry.block) {
            out << "\n{\n";
            writeBlock(entry, out);
            out << "}\n";
        } else {
            out << "\t" << std::quoted(entry.value) << "\n";
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
    std::ostringstream written, rewritten;
    writeBlock(root, written);
    KeyValue again;
    if (!kestrel::wine::parseKeyValues(written.str(), again))
        std::abort();
    writeBlock(again, rewritten);
    if (rewritten.str() != written.str())
        std::abort();
    return 0;
}
