#include "RegTool.h"

#include "platform/Win32Types.h"
#include "platform/wine/WineRegistry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <optional>

namespace kestrel::regtool {

namespace {

// reg.exe's own texts.
constexpr const char* Success = "reg: The operation completed successfully";
constexpr const char* Cancelled = "reg: The registry operation was cancelled";
constexpr const char* KeyMissing = "reg: Unable to find the specified registry key";
constexpr const char* ValueMissing = "reg: Unable to find the specified registry value";
constexpr const char* CannotCreate = "reg: Unable to access or create the specified registry key";
constexpr const char* InvalidKey = "reg: Invalid registry key";
constexpr const char* InvalidRoot = "reg: Invalid system key";
constexpr const char* RemoteMachine = "reg: Unable to access remote machine";
constexpr const char* NotNumeric = "reg: The option [/d] must be followed by a valid numeric value";
constexpr const char* NotHex = "reg: The option [/d] must be followed by a valid hexadecimal value";
constexpr const char* NotString = "reg: The option [/d] must be followed by a valid string";
constexpr const char* BadCommandLine = "reg: Invalid command line parameters";
constexpr const char* ValueNotSet = "(value not set)";

constexpr std::uint32_t RegDwordBigEndian = 5;

struct Output {
    std::string& text;
    void line(const std::string& s = "") { text += s + "\r\n"; }
    void raw(const std::string& s) { text += s; }
};

std::string upper(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string syntaxError(const std::string& operation) {
    return "reg: Invalid syntax. Type \"REG " + operation + " /?\" for help.";
}

// A key on the command line: "HKCU\Software\x", long or short root name.
struct Key {
    RootKey root = 0;
    std::string below; // path under the root as Kestrel opens it
    std::string shown; // as reg prints it: long root name and the path as typed
};

bool parseKey(const std::string& text, Key& key, std::string& error) {
    if (text.size() < 3 || (text.size() >= 2 && text.substr(text.size() - 2) == "\\\\")) {
        error = InvalidKey;
        return false;
    }
    if (text.rfind("\\\\", 0) == 0) {
        error = RemoteMachine;
        return false;
    }
    const std::size_t slash = text.find('\\');
    const std::string rootName = upper(text.substr(0, slash));
    std::string rest = slash == std::string::npos ? "" : text.substr(slash + 1);
    if (!rest.empty() && rest.back() == '\\')
        rest.pop_back();
    struct RootName {
        const char* shortName;
        const char* longName;
        RootKey root;
        const char* below;
    };
    static const RootName roots[] = {
        {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, ""},
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER, ""},
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, ""},
        {"HKU", "HKEY_USERS", HKEY_USERS, ""},
        // Wine keeps the current hardware profile under HKLM.
        {"HKCC", "HKEY_CURRENT_CONFIG", HKEY_LOCAL_MACHINE,
         "System\\CurrentControlSet\\Hardware Profiles\\Current"},
    };
    for (const auto& r : roots) {
        if (rootName != r.shortName && rootName != r.longName)
            continue;
        key.root = r.root;
        key.below = r.below;
        if (!rest.empty())
            key.below += (key.below.empty() ? "" : "\\") + rest;
        key.shown = std::string(r.longName) + (rest.empty() ? "" : "\\" + rest);
        return true;
    }
    error = InvalidRoot;
    return false;
}

// The options after the key: /v NAME, /ve, /va, /t TYPE, /s SEP, /d DATA, /f, /s.
struct Options {
    std::optional<std::string> valueName;
    bool valueEmpty = false;
    bool allValues = false;
    std::optional<std::string> type;
    std::optional<std::string> separator;
    std::optional<std::string> data;
    bool force = false;
    bool recurse = false;
};

bool isOption(const std::string& arg) {
    return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-');
}

// Parses the options an operation allows; anything else is reg's "Invalid syntax".
bool parseOptions(const std::vector<std::string>& args, std::size_t from,
                  const std::string& allowed, const std::string& operation, Options& options,
                  std::string& error) {
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!isOption(arg)) {
            error = syntaxError(operation);
            return false;
        }
        const std::string name = upper(arg.substr(1));
        auto takesValue = [&](std::optional<std::string>& slot) {
            if (i + 1 >= args.size() || slot) {
                error = syntaxError(operation);
                return false;
            }
            slot = args[++i];
            return true;
        };
        auto flag = [&](bool& slot) {
            if (slot) {
                error = syntaxError(operation);
                return false;
            }
            slot = true;
            return true;
        };
        if (allowed.find(" " + name + " ") == std::string::npos) {
            error = syntaxError(operation);
            return false;
        }
        bool ok = true;
        if (name == "V")
            ok = takesValue(options.valueName);
        else if (name == "VE")
            ok = flag(options.valueEmpty);
        else if (name == "VA")
            ok = flag(options.allValues);
        else if (name == "T")
            ok = takesValue(options.type);
        else if (name == "D")
            ok = takesValue(options.data);
        else if (name == "F")
            ok = flag(options.force);
        else if (name == "S" && operation == "ADD")
            ok = takesValue(options.separator);
        else if (name == "S")
            ok = flag(options.recurse);
        if (!ok)
            return false;
    }
    const int chosen = (options.valueName ? 1 : 0) + options.valueEmpty + options.allValues;
    if (chosen > 1) {
        error = syntaxError(operation);
        return false;
    }
    return true;
}

struct TypeName {
    const char* name;
    std::uint32_t type;
};
const TypeName typeNames[] = {
    {"REG_NONE", REG_NONE},
    {"REG_SZ", REG_SZ},
    {"REG_EXPAND_SZ", REG_EXPAND_SZ},
    {"REG_BINARY", REG_BINARY},
    {"REG_DWORD", REG_DWORD},
    {"REG_DWORD_LITTLE_ENDIAN", REG_DWORD},
    {"REG_DWORD_BIG_ENDIAN", RegDwordBigEndian},
    {"REG_MULTI_SZ", REG_MULTI_SZ},
    {"REG_QWORD", REG_QWORD},
};

std::string typeName(std::uint32_t type) {
    for (const auto& t : typeNames)
        if (t.type == type)
            return t.name;
    return "(null)";
}

// A value's data as reg prints it.
std::string dataText(std::uint32_t type, const std::string& data) {
    char buffer[16];
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return data.substr(0, data.find('\0'));
    case REG_NONE:
    case REG_BINARY: {
        std::string out;
        for (unsigned char b : data) {
            std::snprintf(buffer, sizeof buffer, "%02X", b);
            out += buffer;
        }
        return out;
    }
    case REG_DWORD:
    case RegDwordBigEndian: {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
        std::snprintf(buffer, sizeof buffer, "0x%x", v);
        return buffer;
    }
    case REG_MULTI_SZ: {
        if (data.size() <= 2)
            return "";
        std::string out;
        for (char c : data.substr(0, data.size() - 2))
            out += c ? std::string(1, c) : std::string("\\0");
        return out;
    }
    default:
        return "(null)";
    }
}

void printValue(Output& out, const std::string& name, std::uint32_t type, const std::string& data) {
    out.line("    " + (name.empty() ? std::string("(Default)") : name) + "    " + typeName(type) +
             "    " + dataText(type, data));
}

// Asks a yes/no question as reg does; true for yes. No answer counts as no.
bool confirm(Output& out, std::istream& answers, const std::string& question) {
    for (;;) {
        out.raw(question + " (Yes|No)");
        std::string answer;
        if (!std::getline(answers, answer))
            return false;
        if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y'))
            return true;
        if (!answer.empty() && (answer[0] == 'n' || answer[0] == 'N'))
            return false;
    }
}

class Tool {
public:
    Tool(wine::WineRegistry& registry, std::string& text, std::istream& answers)
        : registry_(registry), out_{text}, answers_(answers) {}

    int query(const std::vector<std::string>& args);
    int add(const std::vector<std::string>& args);
    int remove(const std::vector<std::string>& args);

private:
    int fail(const std::string& message) {
        out_.line(message);
        return 1;
    }
    void listKey(RegHandle key, const std::string& shown, bool recurse, int& matches);

    wine::WineRegistry& registry_;
    Output out_;
    std::istream& answers_;
};

int Tool::query(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return fail(syntaxError("QUERY"));
    Key key;
    Options options;
    std::string error;
    if (!parseKey(args[1], key, error) ||
        !parseOptions(args, 2, " V VE S ", "QUERY", options, error))
        return fail(error);
    RegHandle handle = 0;
    if (registry_.openKey(key.root, key.below, KEY_READ, handle) != ERROR_SUCCESS)
        return fail(KeyMissing);
    out_.line();
    int status = 0;
    if (options.valueName || options.valueEmpty) {
        const std::string name = options.valueName.value_or("");
        std::uint32_t type = 0, size = 0;
        if (registry_.queryValue(handle, name, type, nullptr, size) == ERROR_SUCCESS) {
            std::string data(size, '\0');
            registry_.queryValue(handle, name, type, reinterpret_cast<std::uint8_t*>(data.data()),
                                 size);
            out_.line(key.shown);
            printValue(out_, name, type, data);
            out_.line();
        } else if (!name.empty()) {
            status = fail(ValueMissing);
        } else {
            out_.line(key.shown);
            out_.line(std::string("    (Default)    REG_SZ    ") + ValueNotSet);
        }
    } else {
        int matches = 0;
        listKey(handle, key.shown, options.recurse, matches);
        if (options.recurse)
            out_.line("Search complete. Number of matches found: " + std::to_string(matches));
    }
    registry_.closeKey(handle);
    return status;
}

void Tool::listKey(RegHandle key, const std::string& shown, bool recurse, int& matches) {
    std::string name, data;
    std::uint32_t type = 0, index = 0;
    std::vector<std::string> lines;
    for (; registry_.enumValue(key, index, name, type, data) == ERROR_SUCCESS; ++index) {
        std::string line;
        Output collect{line};
        printValue(collect, name, type, data);
        lines.push_back(line);
    }
    if (index > 0 || recurse)
        out_.line(shown);
    for (const auto& line : lines)
        out_.raw(line);
    matches += static_cast<int>(index);
    if (index > 0 || recurse)
        out_.line();
    for (std::uint32_t i = 0; registry_.enumKey(key, i, name) == ERROR_SUCCESS; ++i) {
        const std::string path = shown + "\\" + name;
        if (!recurse) {
            out_.line(path);
            continue;
        }
        ++matches;
        RegHandle sub = 0;
        if (registry_.openSubkeyAt(key, i, sub) == ERROR_SUCCESS) {
            listKey(sub, path, true, matches);
            registry_.closeKey(sub);
        }
    }
}

// The data of "reg add" in the registry's form; false with reg's message when it is not valid.
bool encodeData(std::uint32_t type, const std::optional<std::string>& given,
                const std::optional<std::string>& separator, std::string& bytes,
                std::string& error) {
    const std::string data = given.value_or("");
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        bytes = data + '\0';
        return true;
    case REG_NONE:
        // Wine's reg stores REG_NONE data as a string.
        bytes = data + '\0';
        return true;
    case REG_DWORD:
    case RegDwordBigEndian:
    case REG_QWORD: {
        // Decimal, or hexadecimal after "0x". As in Wine's reg, a QWORD takes whatever strtoull
        // reads whole (a minus sign and no data too); a DWORD is stricter.
        const bool qword = type == REG_QWORD;
        const bool hex = data.size() > 1 && (data[1] == 'x' || data[1] == 'X');
        char* rest = nullptr;
        errno = 0;
        const unsigned long long v = std::strtoull(data.c_str(), &rest, hex ? 16 : 10);
        if (*rest || errno == ERANGE ||
            (!qword &&
             (data.empty() || data[0] == '-' || v > 0xFFFFFFFFull || (hex && data.size() == 2)))) {
            error = NotNumeric;
            return false;
        }
        bytes.clear();
        for (int i = 0; i < (qword ? 8 : 4); ++i)
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return true;
    }
    case REG_BINARY: {
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        bytes.clear();
        std::size_t i = 0;
        if (data.size() % 2) {
            const int n = nibble(data[0]);
            if (n < 0) {
                error = NotHex;
                return false;
            }
            bytes.push_back(static_cast<char>(n));
            i = 1;
        }
        for (; i + 1 < data.size(); i += 2) {
            const int hi = nibble(data[i]), lo = nibble(data[i + 1]);
            if (hi < 0 || lo < 0) {
                error = NotHex;
                return false;
            }
            bytes.push_back(static_cast<char>(hi * 16 + lo));
        }
        return true;
    }
    case REG_MULTI_SZ: {
        // Strings separated by the separator (by default the two characters \0); an empty
        // string between two separators is not allowed.
        const std::string sep = separator.value_or("");
        bytes.clear();
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (sep.empty() && data[i] == '\\' && i + 1 < data.size() && data[i + 1] == '0') {
                bytes.push_back('\0');
                ++i;
            } else if (!sep.empty() && data[i] == sep[0]) {
                bytes.push_back('\0');
            } else {
                bytes.push_back(data[i]);
            }
            const std::size_t n = bytes.size();
            if (n >= 2 && bytes[n - 2] == '\0' && (bytes[n - 1] == '\0' || n == 2)) {
                error = NotString;
                return false;
            }
        }
        if (!bytes.empty() && bytes.back() != '\0')
            bytes.push_back('\0');
        bytes.push_back('\0');
        return true;
    }
    default:
        return false;
    }
}

int Tool::add(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return fail(syntaxError("ADD"));
    Key key;
    Options options;
    std::string error;
    if (!parseKey(args[1], key, error) ||
        !parseOptions(args, 2, " V VE T S D F ", "ADD", options, error))
        return fail(error);
    if (options.separator && (options.separator->size() != 1 || options.type.value_or("") == ""))
        return fail(syntaxError("ADD"));

    RegHandle existing = 0;
    const bool existed =
        registry_.openKey(key.root, key.below, KEY_READ, existing) == ERROR_SUCCESS;
    registry_.closeKey(existing);
    RegHandle handle = 0;
    if (registry_.createKey(key.root, key.below, KEY_WRITE, handle) != ERROR_SUCCESS)
        return fail(CannotCreate);
    const std::string name = options.valueName.value_or("");
    if (!options.force && existed) {
        std::uint32_t type = 0, size = 0;
        if (registry_.queryValue(handle, name, type, nullptr, size) == ERROR_SUCCESS &&
            !confirm(out_, answers_,
                     "The registry value '" + (name.empty() ? std::string("(Default)") : name) +
                         "' already exists. Do you want to overwrite it?")) {
            registry_.closeKey(handle);
            out_.line(Cancelled);
            return 0;
        }
    }
    std::uint32_t type = REG_SZ;
    if (options.type) {
        const std::string wanted = upper(*options.type);
        const auto found = std::find_if(std::begin(typeNames), std::end(typeNames),
                                        [&](const TypeName& t) { return wanted == t.name; });
        if (found == std::end(typeNames)) {
            registry_.closeKey(handle);
            return fail("reg: Unsupported registry data type [" + *options.type + "]");
        }
        type = found->type;
    }
    if ((type == REG_DWORD || type == RegDwordBigEndian) && !options.data) {
        registry_.closeKey(handle);
        return fail(BadCommandLine);
    }
    std::string bytes;
    if (!encodeData(type, options.data, options.separator, bytes, error)) {
        registry_.closeKey(handle);
        return fail(error);
    }
    const long status =
        registry_.setValue(handle, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                           static_cast<std::uint32_t>(bytes.size()));
    registry_.closeKey(handle);
    if (status != ERROR_SUCCESS)
        return fail(CannotCreate);
    out_.line(Success);
    return 0;
}

int Tool::remove(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return fail(syntaxError("DELETE"));
    Key key;
    Options options;
    std::string error;
    if (!parseKey(args[1], key, error) ||
        !parseOptions(args, 2, " V VE VA F ", "DELETE", options, error))
        return fail(error);
    RegHandle handle = 0;
    if (registry_.openKey(key.root, key.below, KEY_READ, handle) != ERROR_SUCCESS)
        return fail(KeyMissing);

    if (!options.valueName && !options.valueEmpty && !options.allValues) {
        registry_.closeKey(handle);
        if (!options.force &&
            !confirm(out_, answers_,
                     "Are you sure you want to delete the registry key '" + key.shown + "'?")) {
            out_.line(Cancelled);
            return 0;
        }
        // A root or a user's hive is not deleted.
        if (key.below.empty() || registry_.deleteKey(key.root, key.below) != ERROR_SUCCESS)
            return fail(KeyMissing);
        out_.line(Success);
        return 0;
    }
    if (options.allValues) {
        if (!options.force && !confirm(out_, answers_,
                                       "Are you sure you want to delete all registry values in '" +
                                           key.shown + "'?")) {
            registry_.closeKey(handle);
            out_.line(Cancelled);
            return 0;
        }
        // By index, from the last: a name the code page cannot spell is still deleted.
        std::string name, data;
        std::uint32_t type = 0, count = 0;
        while (registry_.enumValue(handle, count, name, type, data) == ERROR_SUCCESS)
            ++count;
        bool all = true;
        for (std::uint32_t i = count; i-- > 0;)
            all &= registry_.deleteValueAt(handle, i) == ERROR_SUCCESS;
        registry_.closeKey(handle);
        if (!all)
            return fail("reg: Unable to delete all registry values in '" + key.shown + "'");
        out_.line(Success);
        return 0;
    }
    const std::string name = options.valueName.value_or("");
    if (!options.force && !confirm(out_, answers_,
                                   "Are you sure you want to delete the registry value '" +
                                       (name.empty() ? std::string("(Default)") : name) + "'?")) {
        registry_.closeKey(handle);
        out_.line(Cancelled);
        return 0;
    }
    const long status = registry_.deleteValue(handle, name);
    registry_.closeKey(handle);
    if (status != ERROR_SUCCESS)
        return fail(ValueMissing);
    out_.line(Success);
    return 0;
}

} // namespace

int run(const std::vector<std::string>& args, wine::WineRegistry& registry, std::string& out,
        std::istream& answers) {
    Tool tool(registry, out, answers);
    if (args.empty()) {
        out += "reg: Invalid syntax. Type \"REG /?\" for help.\r\n";
        return 1;
    }
    const std::string operation = upper(args[0]);
    if (operation == "QUERY")
        return tool.query(args);
    if (operation == "ADD")
        return tool.add(args);
    if (operation == "DELETE")
        return tool.remove(args);
    out += "reg: Invalid option [" + args[0] + "]. Type \"REG /?\" for help.\r\n";
    return 1;
}

} // namespace kestrel::regtool
