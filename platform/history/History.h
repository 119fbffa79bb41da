#pragma once
// The history of the changes Kestrel makes to a machine, kept in an SQLite database: every
// registry value or key created, changed or deleted, every file replaced, every attribute change
// and every drive letter made or removed, grouped into saves (the writes of one user action).
//
// A change is recorded before it is made. When the process dies between the two, the record
// describes a change that never happened; undoing it writes back what is there already, so the
// history stays usable.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::history {

enum class ChangeKind : int {
    Value = 1,      // place: full key path ("HKEY_CURRENT_USER\Software\X"), name: value name
    Key = 2,        // place: full key path; created (old absent) or deleted (new absent)
    File = 3,       // place: DOS path; old data: the file's bytes before
    Attributes = 4, // place: DOS path; old/new type: the attributes
    Drive = 5,      // place: "E:"; data: the host folder the letter stood for
};

struct Change {
    std::int64_t id = 0;
    std::int64_t save = 0;
    ChangeKind kind = ChangeKind::Value;
    std::string place;
    std::string name;
    bool oldExists = false;
    std::uint32_t oldType = 0;
    std::string oldData;
    bool newExists = false;
    std::uint32_t newType = 0;
    std::string newData;
};

struct Save {
    std::int64_t id = 0;
    std::int64_t time = 0;       // seconds since 1970, UTC
    std::string page;            // the page (form) that made it; "undo N" for an undo
    std::int64_t undoes = 0;     // the save an undo undid, else 0
    std::vector<Change> changes; // in the order they were made
};

// The limits the history keeps to: the oldest saves go first.
struct Cap {
    std::size_t saves = 1000;
    std::int64_t bytes = 50ll * 1024 * 1024;
};

class Store {
public:
    // Opens (creating) the database file; ok() tells whether that worked.
    explicit Store(const std::string& file, Cap cap = {});
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    bool ok() const;
    const std::string& error() const;
    const std::string& file() const;

    // A new save; 0 on failure.
    std::int64_t beginSave(const std::string& page, std::int64_t undoes = 0);
    // Adds a change to a save, committed (on disk) before it returns; its id, 0 on failure. A
    // change whose save is 0 opens a new save for newSavePage in the same transaction and gets
    // its id.
    std::int64_t record(Change& change, const std::string& newSavePage = {},
                        std::int64_t undoes = 0);
    // Forgets a change that did not happen (the write failed).
    void forget(std::int64_t changeId);
    // Drops the oldest saves beyond the cap.
    void applyCap();

    // Saves newest first, each with its changes (limit 0: all); since: oldest time included.
    std::vector<Save> saves(std::size_t limit = 0, std::int64_t since = 0) const;
    bool save(std::int64_t id, Save& result) const;
    // The newest save (0 when there is none).
    std::int64_t newestSave() const;

private:
    std::int64_t insertChange(const Change& change);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestrel::history

namespace kestrel::history {
// Where a Wine prefix keeps its history: a file inside the prefix.
inline std::string prefixHistoryFile(const std::string& prefixPath) {
    return prefixPath + "/.kestrel-history.sqlite";
}
} // namespace kestrel::history
