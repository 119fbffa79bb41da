#include "HistoryCommands.h"

#include "platform/Codepage.h"
#include "platform/history/Places.h"
#include "platform/history/RecordingMachine.h"
#include "platform/wine/WineMachine.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace kestrel::regtool {

namespace {

std::string timeText(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string changeText(const history::Change& c) {
    using history::ChangeKind;
    const char* verb = !c.oldExists ? "created" : c.newExists ? "changed" : "deleted";
    switch (c.kind) {
    case ChangeKind::Value:
        return std::string("value ") + verb + "  " + c.place + "  " +
               (c.name.empty() ? "(Default)" : c.name);
    case ChangeKind::Key:
        return std::string("key ") + verb + "  " + c.place;
    case ChangeKind::File:
        return std::string("file ") + (c.oldExists ? "replaced" : "created") + "  " + c.place;
    case ChangeKind::Attributes:
        return "attributes changed  " + c.place;
    case ChangeKind::Drive:
        return std::string("drive ") + (c.newExists ? "made" : "removed") + "  " + c.place;
    }
    return {};
}

bool parseNumber(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return value > 0;
}

bool parseDate(const std::string& text, std::int64_t& time) {
    std::tm day{};
    if (std::sscanf(text.c_str(), "%d-%d-%d", &day.tm_year, &day.tm_mon, &day.tm_mday) != 3)
        return false;
    day.tm_year -= 1900;
    day.tm_mon -= 1;
    day.tm_isdst = -1;
    time = static_cast<std::int64_t>(std::mktime(&day));
    return time != -1;
}

constexpr const char* Usage = "kestrel-reg: usage: history | undo [N] | export N|--since "
                              "YYYY-MM-DD FILE\r\n";

} // namespace

bool isHistoryCommand(const std::vector<std::string>& args) {
    return !args.empty() && (args[0] == "history" || args[0] == "undo" || args[0] == "export");
}

int runHistory(const std::vector<std::string>& args, const std::string& prefix, std::string& out) {
    auto store = std::make_unique<history::Store>(history::prefixHistoryFile(prefix));
    if (!store->ok()) {
        out += "kestrel-reg: cannot open the history " + store->file() + ": " + store->error() +
               "\r\n";
        return 1;
    }
    const std::string& command = args[0];

    if (command == "history" && args.size() == 1) {
        for (const auto& save : store->saves()) {
            out += std::to_string(save.id) + "  " + timeText(save.time) + "  " + save.page + "\r\n";
            for (const auto& change : save.changes)
                out += "    " + changeText(change) + "\r\n";
        }
        return 0;
    }

    if (command == "export" && (args.size() == 3 || (args.size() == 4 && args[1] == "--since"))) {
        std::vector<history::Save> saves;
        std::int64_t value = 0;
        if (args.size() == 4) {
            if (!parseDate(args[2], value)) {
                out += "kestrel-reg: not a date (YYYY-MM-DD): " + args[2] + "\r\n";
                return 1;
            }
            saves = store->saves(0, value);
            std::reverse(saves.begin(), saves.end());
        } else {
            history::Save save;
            if (!parseNumber(args[1], value) || !store->save(value, save)) {
                out += "kestrel-reg: no save " + args[1] + " in the history\r\n";
                return 1;
            }
            saves.push_back(std::move(save));
        }
        const std::string& file = args.back();
        const std::string temporary = file + ".tmp";
        {
            std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
            stream << history::exportRegedit4(saves);
            if (!stream.flush()) {
                out += "kestrel-reg: cannot write " + file + "\r\n";
                std::remove(temporary.c_str());
                return 1;
            }
        }
        if (std::rename(temporary.c_str(), file.c_str()) != 0) {
            out += "kestrel-reg: cannot write " + file + "\r\n";
            std::remove(temporary.c_str());
            return 1;
        }
        return 0;
    }

    if (command == "undo" && args.size() <= 2) {
        std::int64_t id = store->newestSave();
        if (args.size() == 2 && !parseNumber(args[1], id)) {
            out += "kestrel-reg: not a save number: " + args[1] + "\r\n";
            return 1;
        }
        if (id == 0) {
            out += "kestrel-reg: the history is empty\r\n";
            return 1;
        }
        auto machine = std::make_unique<wine::WineMachine>(prefix);
        history::RecordingMachine recording(std::move(machine), std::move(store));
        std::string error;
        if (!recording.undo(id, error)) {
            out += "kestrel-reg: " + error + "\r\n";
            return 1;
        }
        out += "kestrel-reg: save " + std::to_string(id) + " undone\r\n";
        return 0;
    }

    out += Usage;
    return 1;
}

} // namespace kestrel::regtool
