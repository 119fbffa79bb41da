#pragma once
// An in-memory machine for fast logic tests of pages: a registry tree with case-insensitive,
// case-preserving names, files kept by DOS path, and settable system facts. What the user sees
// is tested on a real prefix as well; this double only answers what the pages ask.

#include "platform/Machine.h"

#include <map>
#include <memory>
#include <string>

namespace kestrel::testing {

class MemoryRegistry : public Registry {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    long openKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                 RegHandle& result) override;
    long createKey(RegHandle key, const std::string& subKey, std::uint32_t access,
                   RegHandle& result) override;
    long queryValue(RegHandle key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                    std::uint32_t& size) override;
    long setValue(RegHandle key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
    long deleteValue(RegHandle key, const std::string& name) override;
    long deleteKey(RegHandle key, const std::string& subKey) override;
    long enumKey(RegHandle key, std::uint32_t index, std::string& name) override;
    long closeKey(RegHandle key) override;

    struct Node;

private:
    Node* resolve(RegHandle key);
    std::unique_ptr<Node> roots_[4];
    std::map<RegHandle, Node*> open_;
    RegHandle next_ = 1;
};

class MemoryMachine : public Machine {
public:
    std::string description() const override { return "memory"; }
    unsigned ansiCodePage() const override { return 1252; }
    Registry& registry() override { return registry_; }

    std::uint32_t getFileAttributes(const std::string& path) override;
    bool setFileAttributes(const std::string&, std::uint32_t) override { return false; }
    bool fileExists(const std::string& path) override;
    bool copyFile(const std::string&, const std::string&, bool) override { return false; }
    bool readFile(const std::string& path, std::string& bytes) override;
    bool writeFile(const std::string& path, const std::string& bytes) override;
    bool listFolders(const std::string&, std::vector<std::string>&) override { return false; }
    std::string dosPathFromHost(const std::string&) override { return {}; }
    std::string hostPathFromDos(const std::string&) override { return {}; }
    std::uint32_t getPrivateProfileString(const std::string&, const std::string&,
                                          const std::string&, std::string& result, std::uint32_t,
                                          const std::string&) override {
        result.clear();
        return 0;
    }
    bool writePrivateProfileString(const std::string&, const std::string&, const std::string&,
                                   const std::string&) override {
        return false;
    }
    std::uint32_t getDriveType(const std::string&) override { return DRIVE_NO_ROOT_DIR; }
    std::string logicalDrives() override { return "C"; }
    std::string windowsDirectory() override { return "C:\\windows"; }
    std::string systemDirectory() override { return "C:\\windows\\system32"; }
    bool winExec(const std::string&, int) override { return false; }
    std::uint32_t platformId() override { return platformId_; }
    std::string computerName() override { return "MEMORY"; }
    std::string userName() override { return "user"; }
    std::uint32_t tickCount() override { return 0; }
    DisplayMode displayMode() override { return {}; }

    void setPlatformId(std::uint32_t id) { platformId_ = id; }
    // A file that exists but cannot be read.
    void setUnreadable(const std::string& path) { unreadable_[lower(path)] = true; }
    std::map<std::string, std::string>& files() { return files_; }

private:
    static std::string lower(std::string text);
    MemoryRegistry registry_;
    std::map<std::string, std::string> files_; // lower-case DOS path → bytes
    std::map<std::string, bool> unreadable_;
    std::uint32_t platformId_ = VER_PLATFORM_WIN32_WINDOWS;
};

} // namespace kestrel::testing
