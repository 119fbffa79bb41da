#include "Places.h"

#include "platform/Win32Types.h"

#include <cstdio>

namespace kestrel::history {

namespace {

struct Root {
    RegHandle handle;
    const char* name;
};
constexpr Root Roots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},   {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"}, {HKEY_USERS, "HKEY_USERS"},
    {0x80000005u, "HKEY_CURRENT_CONFIG"},
};

constexpr std::uint32_t RegSz = 1;
constexpr std::uint32_t RegDword = 4;

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// hex:01,02 or hex(7):…, broken into lines the way regedit writes them.
std::string hexData(std::uint32_t type, const std::string& data, std::size_t used) {
    char head[16];
    if (type == 3)
        std::snprintf(head, sizeof head, "hex:");
    else
        std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(type));
    std::string out = head;
    std::size_t column = used + out.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(data[i]));
        out += byte;
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

} // namespace

const char* rootName(RegHandle key) {
    for (const auto& root : Roots)
        if (root.handle == key)
            return root.name;
    return nullptr;
}

bool splitKey(const std::string& place, RegHandle& root, std::string& below) {
    const auto slash = place.find('\\');
    const std::string head = place.substr(0, slash);
    for (const auto& r : Roots)
        if (head == r.name) {
            root = r.handle;
            below = slash == std::string::npos ? std::string() : place.substr(slash + 1);
            return true;
        }
    return false;
}

std::string exportRegedit4(const std::vector<Save>& oldestFirst) {
    std::string out = "REGEDIT4\r\n";
    std::string section; // the key whose values follow
    for (const auto& save : oldestFirst)
        for (const auto& c : save.changes) {
            if (c.kind == ChangeKind::Key) {
                out += "\r\n[" + std::string(c.newExists ? "" : "-") + c.place + "]\r\n";
                section = c.newExists ? c.place : std::string();
                continue;
            }
            if (c.kind != ChangeKind::Value)
                continue;
            if (section != c.place) {
                out += "\r\n[" + c.place + "]\r\n";
                section = c.place;
            }
            const std::string name = c.name.empty() ? "@" : quoted(c.name);
            std::string line = name + "=";
            if (!c.newExists) {
                line += "-";
            } else if (c.newType == RegSz) {
                std::string text = c.newData;
                if (!text.empty() && text.back() == '\0')
                    text.pop_back();
                line += quoted(text);
            } else if (c.newType == RegDword && c.newData.size() == 4) {
                std::uint32_t v = 0;
                for (int i = 3; i >= 0; --i)
                    v = (v << 8) | static_cast<unsigned char>(c.newData[i]);
                char dword[16];
                std::snprintf(dword, sizeof dword, "dword:%08x", static_cast<unsigned>(v));
                line += dword;
            } else {
                line += hexData(c.newType, c.newData, line.size());
            }
            out += line + "\r\n";
        }
    return out + "\r\n";
}

} // namespace kestrel::history
