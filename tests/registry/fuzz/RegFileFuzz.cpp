// libFuzzer target for the .reg parser: whatever the bytes, loading never crashes or hangs, the
// text comes back byte for byte, and adding a key keeps every line that was there.

#include "platform/wine/RegFile.h"
#include "tests/registry/RegistryTestKit.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using kestrel::wine::testkit::lines;

// Every line of before appears in after, in the same order.
bool keepsLines(const std::string& before, const std::string& after) {
    const auto a = lines(before), b = lines(after);
    std::size_t j = 0;
    for (const auto& line : a) {
        while (j < b.size() && b[j] != line)
            ++j;
        if (j == b.size())
            return false;
        ++j;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kestrel::wine::RegFile;
    const std::string input(reinterpret_cast<const char*>(data), size);
    RegFile file;
    file.load(input);
    if (file.text() != input)
        std::abort(); // a load and save must give the bytes back

    // Read everything the parser found, to run the value parser over every section.
    std::vector<kestrel::wine::RegPath> pending{{}};
    std::size_t visited = 0;
    while (!pending.empty() && visited++ < 10000) {
        const auto path = pending.back();
        pending.pop_back();
        (void)file.values(path);
        for (const auto& name : file.subkeys(path)) {
            auto child = path;
            child.push_back(name);
            pending.push_back(std::move(child));
        }
    }

    // A new key (and a value in it) goes in without losing or changing any line already there.
    // When the input already holds that key, writing to it rightly rewrites its header (the
    // modification time), so the property is only checked for a key that is really new.
    std::string lower = input;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("kestrel-fuzz") != std::string::npos)
        return 0;
    kestrel::wine::RegValue value{u"Fuzz", 4, std::string("\x01\0\0\0", 4)};
    file.setValue({u"kestrel-fuzz-\u00e9", u"Key"}, value, 134116992000000000ull);
    const std::string changed = file.text();
    if (!keepsLines(input, changed))
        std::abort();
    const auto back = file.value({u"KESTREL-FUZZ-\u00c9", u"key"}, u"fuzz");
    if (!back || back->data != value.data)
        std::abort();
    return 0;
}
