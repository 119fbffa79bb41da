#include "RecordingMachine.h"

#include "Places.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <sstream>

namespace kestrel::history {

namespace {

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> result;
    std::istringstream in(line);
    for (std::string w; in >> w;)
        result.push_back(w);
    return result;
}

// "subst E: C:\Games" or "subst /D E:": the letter, whether it is removed, the folder.
struct SubstCommand {
    char letter = 0;
    bool remove = false;
    std::string folder;
};

bool parseSubst(const std::string& commandLine, SubstCommand& command) {
    const auto w = words(commandLine);
    if (w.size() < 2)
        return false;
    std::string program = lower(w[0]);
    if (const auto slash = program.find_last_of("\\/"); slash != std::string::npos)
        program = program.substr(slash + 1);
    if (program != "subst" && program != "subst.exe")
        return false;
    const bool remove = lower(w[1]) == "/d";
    const std::string& drive = remove ? (w.size() > 2 ? w[2] : std::string()) : w[1];
    if (drive.size() != 2 || drive[1] != ':' || !std::isalpha(static_cast<unsigned char>(drive[0])))
        return false;
    command.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
    command.remove = remove;
    if (!remove) {
        const auto at = commandLine.find(drive) + 2;
        command.folder = commandLine.substr(at);
        command.folder.erase(0, command.folder.find_first_not_of(" \t\""));
        while (!command.folder.empty() &&
               (command.folder.back() == '"' || command.folder.back() == ' '))
            command.folder.pop_back();
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------

struct RecordingMachine::Impl {
    class Recorder;
    class Reg;

    RecordingMachine* owner = nullptr;
    std::unique_ptr<Machine> inner;
    std::unique_ptr<Store> store;
    std::unique_ptr<Reg> registry;
    std::string page;
    std::function<void()> afterRecord;

    // The save the next change goes to: the explicit one while an undo runs, else the open one
    // while the same page keeps writing within GroupSeconds.
    std::int64_t explicitSave = 0;
    bool inExplicit = false;
    std::string explicitPage;
    std::int64_t explicitUndoes = 0;
    std::int64_t openSave = 0;
    std::string openPage;
    std::time_t lastWrite = 0;

    // Records a change before it is made; its id (0 when the history cannot record).
    std::int64_t record(Change change) {
        if (!store->ok())
            return 0;
        const std::time_t now = std::time(nullptr);
        std::string newPage;
        std::int64_t undoes = 0;
        if (inExplicit) {
            change.save = explicitSave;
            newPage = explicitPage;
            undoes = explicitUndoes;
        } else {
            if (openSave && openPage == page && now - lastWrite <= GroupSeconds)
                change.save = openSave;
            newPage = page;
        }
        const std::int64_t id = store->record(change, newPage, undoes);
        if (id == 0)
            return 0;
        if (inExplicit) {
            explicitSave = change.save;
        } else {
            openSave = change.save;
            openPage = page;
            lastWrite = now;
        }
        if (afterRecord)
            afterRecord();
        return id;
    }
    // The change did not happen: its record goes.
    void failed(std::int64_t id) {
        if (id)
            store->forget(id);
    }

    bool restore(const Change& change);
};

// The registry, recorded: every handle it gives out is remembered with the full path of its key.
class RecordingMachine::Impl::Reg : public Registry {
public:
    Reg(Impl& owner, Registry& inner) : owner_(owner), inner_(inner) {}

    std::string pathOf(RegHandle key) const {
        if (const char* root = rootName(key))
            return root;
        const auto it = paths_.find(key);
        return it == paths_.end() ? std::string() : it->second;
    }
    static std::string join(const std::string& path, const std::string& sub) {
        if (sub.empty() || path.empty())
            return path;
        return path + "\\" + sub;
    }

    long openKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                 RegHandle& result) override {
        const long status = inner_.openKey(key, subKey, access, result);
        if (status == ERROR_SUCCESS)
            paths_[result] = join(pathOf(key), subKey);
        return status;
    }

    long createKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                   RegHandle& result) override {
        const std::string base = pathOf(key);
        std::int64_t id = 0;
        RegHandle probe = 0;
        if (!base.empty() && !subKey.empty() &&
            inner_.openKey(key, subKey, 0, probe) != ERROR_SUCCESS) {
            // The topmost key that is missing: deleting it again undoes the creation.
            std::string prefix;
            std::size_t at = 0;
            for (;;) {
                const std::size_t slash = subKey.find('\\', at);
                prefix = subKey.substr(0, slash);
                RegHandle level = 0;
                if (inner_.openKey(key, prefix, 0, level) != ERROR_SUCCESS)
                    break;
                inner_.closeKey(level);
                if (slash == std::string::npos)
                    break;
                at = slash + 1;
            }
            Change c;
            c.kind = ChangeKind::Key;
            c.place = join(base, prefix);
            c.newExists = true;
            id = owner_.record(c);
        } else if (probe) {
            inner_.closeKey(probe);
        }
        const long status = inner_.createKey(key, subKey, access, result);
        if (status != ERROR_SUCCESS) {
            owner_.failed(id);
            return status;
        }
        paths_[result] = join(base, subKey);
        return status;
    }

    long queryValue(RegHandle key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override {
        return inner_.queryValue(key, name, type, data, size);
    }

    // The value as it is now (exists false when it does not).
    void current(RegHandle key, const std::string& name, bool& exists, std::uint32_t& type,
                 std::string& data) {
        std::uint32_t size = 0;
        exists = false;
        if (inner_.queryValue(key, name, type, nullptr, size) != ERROR_SUCCESS)
            return;
        data.assign(size, '\0');
        if (inner_.queryValue(key, name, type, reinterpret_cast<std::uint8_t*>(data.data()),
                              size) != ERROR_SUCCESS)
            return;
        data.resize(size);
        exists = true;
    }

    long setValue(RegHandle key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override {
        Change c;
        c.kind = ChangeKind::Value;
        c.place = pathOf(key);
        c.name = name;
        current(key, name, c.oldExists, c.oldType, c.oldData);
        c.newExists = true;
        c.newType = type;
        c.newData.assign(reinterpret_cast<const char*>(data), data ? size : 0);
        // Pages write back every value they show; one written as it was is no change.
        const bool same = c.oldExists && c.oldType == type && c.oldData == c.newData;
        const std::int64_t id = c.place.empty() || same ? 0 : owner_.record(c);
        const long status = inner_.setValue(key, name, type, data, size);
        if (status != ERROR_SUCCESS)
            owner_.failed(id);
        return status;
    }

    long deleteValue(RegHandle key, const std::string& name) override {
        Change c;
        c.kind = ChangeKind::Value;
        c.place = pathOf(key);
        c.name = name;
        current(key, name, c.oldExists, c.oldType, c.oldData);
        const std::int64_t id = c.oldExists && !c.place.empty() ? owner_.record(c) : 0;
        const long status = inner_.deleteValue(key, name);
        if (status != ERROR_SUCCESS)
            owner_.failed(id);
        return status;
    }

    long deleteKey(RegHandle key, const std::string& subKey) override {
        // The whole tree is recorded, values first and each key after what is inside it, so
        // that undoing (newest first) makes the keys before their values.
        std::vector<std::int64_t> ids;
        RegHandle open = 0;
        if (!subKey.empty() && !pathOf(key).empty() &&
            inner_.openKey(key, subKey, 0, open) == ERROR_SUCCESS) {
            snapshot(open, join(pathOf(key), subKey), ids);
            inner_.closeKey(open);
        }
        const long status = inner_.deleteKey(key, subKey);
        if (status != ERROR_SUCCESS)
            for (const auto id : ids)
                owner_.failed(id);
        return status;
    }

    long enumKey(RegHandle key, std::uint32_t index, std::string& name) override {
        return inner_.enumKey(key, index, name);
    }
    long enumValue(RegHandle key, std::uint32_t index, std::string& name, std::uint32_t& type,
                   std::string& data) override {
        return inner_.enumValue(key, index, name, type, data);
    }
    long closeKey(RegHandle key) override {
        paths_.erase(key);
        return inner_.closeKey(key);
    }

private:
    void snapshot(RegHandle open, const std::string& path, std::vector<std::int64_t>& ids) {
        Change value;
        value.kind = ChangeKind::Value;
        value.place = path;
        value.oldExists = true;
        for (std::uint32_t i = 0;
             inner_.enumValue(open, i, value.name, value.oldType, value.oldData) == ERROR_SUCCESS;
             ++i)
            ids.push_back(owner_.record(value));
        std::string name;
        for (std::uint32_t i = 0; inner_.enumKey(open, i, name) == ERROR_SUCCESS; ++i) {
            RegHandle child = 0;
            if (inner_.openKey(open, name, 0, child) == ERROR_SUCCESS) {
                snapshot(child, path + "\\" + name, ids);
                inner_.closeKey(child);
            }
        }
        Change key;
        key.kind = ChangeKind::Key;
        key.place = path;
        key.oldExists = true;
        ids.push_back(owner_.record(key));
    }

    Impl& owner_;
    Registry& inner_;
    std::map<RegHandle, std::string> paths_;
};

// Writes back what a change replaced, through the recording machine (so it is recorded too).
bool RecordingMachine::Impl::restore(const Change& c) {
    Registry& reg = *registry;
    switch (c.kind) {
    case ChangeKind::Value:
    case ChangeKind::Key: {
        RegHandle root = 0;
        std::string below;
        if (!splitKey(c.place, root, below))
            return false;
        RegHandle key = 0;
        long status = ERROR_SUCCESS;
        if (c.kind == ChangeKind::Key) {
            if (c.oldExists) {
                status = below.empty() ? ERROR_SUCCESS : reg.createKey(root, below, 0, key);
                reg.closeKey(key);
            } else {
                status = below.empty() ? ERROR_SUCCESS : reg.deleteKey(root, below);
                if (status == ERROR_FILE_NOT_FOUND)
                    status = ERROR_SUCCESS;
            }
            return status == ERROR_SUCCESS;
        }
        if (c.oldExists) {
            status = reg.createKey(root, below, 0, key);
            if (status == ERROR_SUCCESS)
                status = reg.setValue(key, c.name, c.oldType,
                                      reinterpret_cast<const std::uint8_t*>(c.oldData.data()),
                                      static_cast<std::uint32_t>(c.oldData.size()));
        } else if (reg.openKey(root, below, 0, key) == ERROR_SUCCESS) {
            std::uint32_t type = 0;
            std::uint32_t size = 0;
            if (reg.queryValue(key, c.name, type, nullptr, size) == ERROR_SUCCESS)
                status = reg.deleteValue(key, c.name);
        }
        if (key)
            reg.closeKey(key);
        return status == ERROR_SUCCESS;
    }
    case ChangeKind::File: {
        Machine& m = *owner;
        if (c.oldExists) {
            std::string now;
            if (m.readFile(c.place, now) && now == c.oldData)
                return true;
            return m.writeFile(c.place, c.oldData);
        }
        return !m.fileExists(c.place) || m.deleteFile(c.place);
    }
    case ChangeKind::Attributes:
        return owner->getFileAttributes(c.place) == c.oldType ||
               owner->setFileAttributes(c.place, c.oldType);
    case ChangeKind::Drive: {
        const char letter = c.place.empty() ? 0 : c.place[0];
        const bool present = owner->logicalDrives().find(letter) != std::string::npos;
        if (present == c.oldExists)
            return true;
        if (!c.oldExists)
            return owner->winExec(std::string("subst /D ") + letter + ":", 0);
        const std::string folder = owner->dosPathFromHost(c.oldData);
        if (folder.empty())
            return false;
        return owner->winExec(std::string("subst ") + letter + ": \"" + folder + "\"", 0);
    }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

RecordingMachine::RecordingMachine(std::unique_ptr<Machine> inner, std::unique_ptr<Store> store)
    : impl_(std::make_unique<Impl>()) {
    impl_->inner = std::move(inner);
    impl_->store = std::move(store);
    impl_->owner = this;
    impl_->registry = std::make_unique<Impl::Reg>(*impl_, impl_->inner->registry());
}

RecordingMachine::~RecordingMachine() = default;

Machine& RecordingMachine::inner() {
    return *impl_->inner;
}
Store& RecordingMachine::store() {
    return *impl_->store;
}
void RecordingMachine::setPage(const std::string& page) {
    impl_->page = page;
}
void RecordingMachine::setAfterRecord(std::function<void()> hook) {
    impl_->afterRecord = std::move(hook);
}

bool RecordingMachine::undo(std::int64_t saveId, std::string& error) {
    Save save;
    if (!impl_->store->save(saveId, save)) {
        error = "no save " + std::to_string(saveId) + " in the history";
        return false;
    }
    impl_->inExplicit = true;
    impl_->explicitSave = 0;
    impl_->explicitPage = "undo " + std::to_string(saveId);
    impl_->explicitUndoes = saveId;
    std::size_t failures = 0;
    for (auto it = save.changes.rbegin(); it != save.changes.rend(); ++it)
        if (!impl_->restore(*it)) {
            ++failures;
            error = "cannot restore " + it->place + (it->name.empty() ? "" : " " + it->name);
        }
    impl_->inExplicit = false;
    impl_->openSave = 0; // the next write starts a new save
    return failures == 0;
}

std::string RecordingMachine::description() const {
    return impl_->inner->description();
}
unsigned RecordingMachine::ansiCodePage() const {
    return impl_->inner->ansiCodePage();
}
Registry& RecordingMachine::registry() {
    return *impl_->registry;
}

std::uint32_t RecordingMachine::getFileAttributes(const std::string& path) {
    return impl_->inner->getFileAttributes(path);
}

bool RecordingMachine::setFileAttributes(const std::string& path, std::uint32_t attributes) {
    Change c;
    c.kind = ChangeKind::Attributes;
    c.place = path;
    c.oldType = impl_->inner->getFileAttributes(path);
    c.oldExists = c.oldType != INVALID_FILE_ATTRIBUTES;
    c.newExists = true;
    c.newType = attributes;
    const std::int64_t id = c.oldExists && c.oldType != attributes ? impl_->record(c) : 0;
    const bool ok = impl_->inner->setFileAttributes(path, attributes);
    if (!ok)
        impl_->failed(id);
    return ok;
}

bool RecordingMachine::fileExists(const std::string& path) {
    return impl_->inner->fileExists(path);
}

namespace {
// The record of a file about to be replaced (or made, or removed).
Change fileChange(Machine& inner, const std::string& path) {
    Change c;
    c.kind = ChangeKind::File;
    c.place = path;
    c.oldExists = inner.fileExists(path) && inner.readFile(path, c.oldData);
    return c;
}
} // namespace

bool RecordingMachine::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    Change c = fileChange(*impl_->inner, to);
    c.newExists = true;
    const std::int64_t id = failIfExists && c.oldExists ? 0 : impl_->record(c);
    const bool ok = impl_->inner->copyFile(from, to, failIfExists);
    if (!ok)
        impl_->failed(id);
    return ok;
}

bool RecordingMachine::readFile(const std::string& path, std::string& bytes) {
    return impl_->inner->readFile(path, bytes);
}

bool RecordingMachine::writeFile(const std::string& path, const std::string& bytes) {
    Change c = fileChange(*impl_->inner, path);
    c.newExists = true;
    const std::int64_t id = c.oldExists && c.oldData == bytes ? 0 : impl_->record(c);
    const bool ok = impl_->inner->writeFile(path, bytes);
    if (!ok)
        impl_->failed(id);
    return ok;
}

bool RecordingMachine::deleteFile(const std::string& path) {
    Change c = fileChange(*impl_->inner, path);
    const std::int64_t id = c.oldExists ? impl_->record(c) : 0;
    const bool ok = impl_->inner->deleteFile(path);
    if (!ok)
        impl_->failed(id);
    return ok;
}

bool RecordingMachine::listFolders(const std::string& folder, std::vector<std::string>& names) {
    return impl_->inner->listFolders(folder, names);
}
std::string RecordingMachine::dosPathFromHost(const std::string& hostPath) {
    return impl_->inner->dosPathFromHost(hostPath);
}
std::string RecordingMachine::hostPathFromDos(const std::string& dosPath) {
    return impl_->inner->hostPathFromDos(dosPath);
}
std::uint32_t RecordingMachine::iconCount(const std::string& file) {
    return impl_->inner->iconCount(file);
}
bool RecordingMachine::extractIcon(const std::string& file, std::uint32_t index,
                                   std::string& icoBytes) {
    return impl_->inner->extractIcon(file, index, icoBytes);
}
std::uint32_t RecordingMachine::getPrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& defaultValue,
                                                        std::string& result, std::uint32_t size,
                                                        const std::string& file) {
    return impl_->inner->getPrivateProfileString(section, key, defaultValue, result, size, file);
}

bool RecordingMachine::writePrivateProfileString(const std::string& section, const std::string& key,
                                                 const std::string& value,
                                                 const std::string& file) {
    // The backend rewrites the whole file: its old bytes are what undo writes back.
    Change c = fileChange(*impl_->inner, file);
    c.newExists = true;
    const std::int64_t id = impl_->record(c);
    const bool ok = impl_->inner->writePrivateProfileString(section, key, value, file);
    if (!ok)
        impl_->failed(id);
    return ok;
}

std::uint32_t RecordingMachine::getDriveType(const std::string& root) {
    return impl_->inner->getDriveType(root);
}
std::string RecordingMachine::logicalDrives() {
    return impl_->inner->logicalDrives();
}
std::string RecordingMachine::windowsDirectory() {
    return impl_->inner->windowsDirectory();
}
std::string RecordingMachine::systemDirectory() {
    return impl_->inner->systemDirectory();
}

bool RecordingMachine::winExec(const std::string& commandLine, int showCommand) {
    SubstCommand subst;
    std::int64_t id = 0;
    if (parseSubst(commandLine, subst)) {
        Change c;
        c.kind = ChangeKind::Drive;
        c.place = std::string(1, subst.letter) + ":";
        c.oldExists = impl_->inner->logicalDrives().find(subst.letter) != std::string::npos;
        if (c.oldExists)
            c.oldData = impl_->inner->hostPathFromDos(c.place + "\\");
        c.newExists = !subst.remove;
        c.newData = subst.folder;
        if (c.oldExists != c.newExists)
            id = impl_->record(c);
    }
    const bool ok = impl_->inner->winExec(commandLine, showCommand);
    if (!ok)
        impl_->failed(id);
    return ok;
}

std::uint32_t RecordingMachine::platformId() {
    return impl_->inner->platformId();
}
std::string RecordingMachine::computerName() {
    return impl_->inner->computerName();
}
std::string RecordingMachine::userName() {
    return impl_->inner->userName();
}
std::uint32_t RecordingMachine::tickCount() {
    return impl_->inner->tickCount();
}
DisplayMode RecordingMachine::displayMode() {
    return impl_->inner->displayMode();
}
std::unique_ptr<ShellWindows> RecordingMachine::openShellWindows(const std::string& helperImage) {
    return impl_->inner->openShellWindows(helperImage);
}

Machine& unwrap(Machine& machine) {
    if (auto* recording = dynamic_cast<RecordingMachine*>(&machine))
        return recording->inner();
    return machine;
}

} // namespace kestrel::history
