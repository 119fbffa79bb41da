#pragma once
// What the registry tests share: the lines of a text, the sections of a .reg file, waiting for a
// condition, and a wineserver started with a TMPDIR that is not Kestrel's.

#include "platform/wine/Process.h"
#include "tests/support/TestPrefix.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::wine::testkit {

// The lines of a text, without their CR LF or LF.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

// The sections of a .reg file's keys below key (as the file spells it, "Software\\\\K"): each
// header without its time, relative to key, then its value lines ("#time=" left out).
inline std::vector<std::string> sectionsBelow(const std::string& text, const std::string& key) {
    std::vector<std::string> out;
    bool inside = false;
    for (const auto& line : lines(text)) {
        if (!line.empty() && line[0] == '[') {
            inside = line.rfind("[" + key + "]", 0) == 0 || line.rfind("[" + key + "\\\\", 0) == 0;
            if (inside)
                out.push_back(line.substr(key.size() + 1, line.rfind(']') - key.size() - 1));
        } else if (inside && !line.empty() && line.rfind("#time=", 0) != 0) {
            out.push_back(line);
        }
    }
    return out;
}

// True as soon as the condition holds, false when it still does not after 10 s.
inline bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Wine keeps its server folder under the TMPDIR of the prefix's first Wine process, which need
// not be Kestrel's. Such a server, stopped however the test ends.
struct ServerElsewhere {
    const kestrel::testing::TestPrefix& prefix;
    std::map<std::string, std::string> environment() const {
        return {{"TMPDIR", prefix.file("elsewhere")}};
    }
    bool start() const {
        std::filesystem::create_directories(prefix.file("elsewhere"));
        auto env = environment();
        env.insert({{"WINEPREFIX", prefix.path()}, {"WINEDEBUG", "-all"}});
        return startDetached({"wineserver", "-p"}, env);
    }
    void stop() const {
        prefix.run({"wineserver", "-k"}, environment());
        prefix.run({"wineserver", "-w"}, environment());
    }
    ~ServerElsewhere() { stop(); }
};

} // namespace kestrel::wine::testkit
