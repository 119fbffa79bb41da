#include "HelperShellWindows.h"

#include "Process.h"
#include "WineServer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrel::wine {

namespace {

namespace fs = std::filesystem;

// A class name travels as one word of a request line.
bool sendable(const std::string& className) {
    if (className.empty())
        return false;
    for (char c : className)
        if (c == ' ' || c == '\n' || c == '\r' || c == '\0')
            return false;
    return true;
}

class HelperShellWindows : public ShellWindows {
public:
    explicit HelperShellWindows(HelperTimeouts timeouts) : timeouts_(timeouts) {}

    ~HelperShellWindows() override {
        helper_.stop();
        if (!folder_.empty()) {
            std::error_code ignored;
            fs::remove_all(folder_, ignored);
        }
    }

    bool start(const std::string& prefixPath, const std::string& helperImage) {
        if (helperImage.empty() || !wineServerRunning(prefixPath))
            return false;
        // The helper is written to a folder of its own in the prefix's C:\windows\temp (a host
        // temporary folder may forbid running programs) and runs from there.
        const fs::path temp = fs::path(prefixPath) / "drive_c" / "windows" / "temp";
        std::error_code ec;
        fs::create_directories(temp, ec);
        std::string folder = (temp / "kestrel-shell-XXXXXX").string();
        if (!mkdtemp(folder.data()))
            return false;
        folder_ = folder;
        const std::string program = folder_ + "/kstShell.exe";
        {
            std::ofstream out(program, std::ios::binary | std::ios::trunc);
            out.write(helperImage.data(), static_cast<std::streamsize>(helperImage.size()));
            if (!out.flush())
                return false;
        }
        if (!helper_.start({"wine", program}, {{"WINEPREFIX", prefixPath}, {"WINEDEBUG", "-all"}}))
            return false;
        std::string greeting;
        if (!helper_.readLine(greeting, timeouts_.startMs) || greeting.rfind("ready ", 0) != 0) {
            helper_.stop();
            return false;
        }
        return true;
    }

    bool available() const override { return helper_.running(); }

    WindowHandle findWindow(const std::string& className) override {
        if (!sendable(className))
            return 0;
        return toHandle(ask("F " + className));
    }
    WindowHandle findChildWindow(WindowHandle parent, const std::string& className) override {
        if (!sendable(className))
            return 0;
        return toHandle(ask("C " + std::to_string(parent) + " " + className));
    }
    bool normalRect(WindowHandle window, WindowRect& rect) override {
        std::istringstream in(ask("R " + std::to_string(window)));
        int ok = 0;
        long long left, top, right, bottom;
        if (!(in >> ok >> left >> top >> right >> bottom) || ok != 1)
            return false;
        rect = {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
        return true;
    }
    bool setWindowPos(WindowHandle window, WindowHandle insertAfter, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, std::uint32_t flags) override {
        return ask("P " + std::to_string(window) + " " + std::to_string(insertAfter) + " " +
                   std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
                   std::to_string(height) + " " + std::to_string(flags)) == "1";
    }
    bool showWindow(WindowHandle window, int showCommand) override {
        return ask("S " + std::to_string(window) + " " + std::to_string(showCommand)) == "1";
    }
    bool isWindowVisible(WindowHandle window) override {
        return ask("V " + std::to_string(window)) == "1";
    }
    bool enableWindow(WindowHandle window, bool enable) override {
        return ask("E " + std::to_string(window) + (enable ? " 1" : " 0")) == "1";
    }
    bool isWindowEnabled(WindowHandle window) override {
        return ask("N " + std::to_string(window)) == "1";
    }

private:
    // One request and its answer; "" when the helper is gone or too slow, and then it is ended
    // for good, so that no later request waits for it again.
    std::string ask(const std::string& request) {
        if (!helper_.running())
            return {};
        std::string answer;
        if (!helper_.writeLine(request) || !helper_.readLine(answer, timeouts_.requestMs)) {
            helper_.stop(0);
            return {};
        }
        return answer;
    }

    static WindowHandle toHandle(const std::string& answer) {
        if (answer.empty() || answer.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        return std::strtoull(answer.c_str(), nullptr, 10);
    }

    HelperTimeouts timeouts_;
    PipedProcess helper_;
    std::string folder_;
};

} // namespace

std::unique_ptr<ShellWindows> openHelperShellWindows(const std::string& prefixPath,
                                                     const std::string& helperImage,
                                                     HelperTimeouts timeouts) {
    auto session = std::make_unique<HelperShellWindows>(timeouts);
    if (!session->start(prefixPath, helperImage))
        return noShellWindows();
    return session;
}

} // namespace kestrel::wine
