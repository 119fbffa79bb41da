#include "SystemFacts.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netdb.h>
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

namespace kestrel::wine {

std::string wineComputerName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0)
        return {};
    std::string name = buffer;
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    addrinfo* info = nullptr;
    if (getaddrinfo(buffer, nullptr, &hints, &info) == 0) {
        if (info && info->ai_canonname && strcasecmp(info->ai_canonname, "localhost") != 0)
            name = info->ai_canonname;
        freeaddrinfo(info);
    }
    name = name.substr(0, name.find('.'));
    for (auto& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name.substr(0, 15);
}

std::string wineUserName() {
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        return pw->pw_name;
    return {};
}

std::uint32_t wineTickCount() {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &ts) != 0 && clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return 0;
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

} // namespace kestrel::wine
