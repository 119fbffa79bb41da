#include "History.h"

#include <ctime>
#include <sqlite3.h>

namespace kestrel::history {

namespace {

// Write-ahead log without a sync per commit: a record is written to the log (handed to the
// operating system) before the change it describes is made, so a process that dies at any point
// leaves it behind; only a crash of the whole system can lose the last records. A sync per record
// would cost a third of a one-value save.
constexpr const char* Schema = R"(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=NORMAL;
PRAGMA foreign_keys=ON;
CREATE TABLE IF NOT EXISTS saves(
    id INTEGER PRIMARY KEY, time INTEGER NOT NULL, page TEXT NOT NULL, undoes INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS changes(
    id INTEGER PRIMARY KEY, save INTEGER NOT NULL REFERENCES saves(id) ON DELETE CASCADE,
    kind INTEGER NOT NULL, place TEXT NOT NULL, name TEXT NOT NULL,
    old_exists INTEGER NOT NULL, old_type INTEGER NOT NULL, old_data BLOB NOT NULL,
    new_exists INTEGER NOT NULL, new_type INTEGER NOT NULL, new_data BLOB NOT NULL);
CREATE INDEX IF NOT EXISTS changes_by_save ON changes(save);
)";

// A prepared statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    explicit operator bool() const { return stmt_ != nullptr; }
    void bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
    void bind(int i, const std::string& v, bool blob = false) {
        if (blob)
            sqlite3_bind_blob(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    std::int64_t integer(int c) const { return sqlite3_column_int64(stmt_, c); }
    std::string bytes(int c) const {
        const void* p = sqlite3_column_blob(stmt_, c);
        return p ? std::string(static_cast<const char*>(p),
                               static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c)))
                 : std::string();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace

struct Store::Impl {
    sqlite3* db = nullptr;
    std::string file;
    std::string error;
    Cap cap;

    bool exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error = message ? message : "SQLite error";
        sqlite3_free(message);
        return false;
    }

    void loadChanges(Save& save) const {
        Statement q(db, "SELECT id, kind, place, name, old_exists, old_type, old_data, new_exists, "
                        "new_type, new_data FROM changes WHERE save = ? ORDER BY id");
        q.bind(1, save.id);
        while (q.step() == SQLITE_ROW) {
            Change c;
            c.id = q.integer(0);
            c.save = save.id;
            c.kind = static_cast<ChangeKind>(q.integer(1));
            c.place = q.bytes(2);
            c.name = q.bytes(3);
            c.oldExists = q.integer(4) != 0;
            c.oldType = static_cast<std::uint32_t>(q.integer(5));
            c.oldData = q.bytes(6);
            c.newExists = q.integer(7) != 0;
            c.newType = static_cast<std::uint32_t>(q.integer(8));
            c.newData = q.bytes(9);
            save.changes.push_back(std::move(c));
        }
    }
};

Store::Store(const std::string& file, Cap cap) : impl_(std::make_unique<Impl>()) {
    impl_->file = file;
    impl_->cap = cap;
    if (sqlite3_open_v2(file.c_str(), &impl_->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        impl_->error = impl_->db ? sqlite3_errmsg(impl_->db) : "cannot open " + file;
        sqlite3_close(impl_->db);
        impl_->db = nullptr;
        return;
    }
    sqlite3_busy_timeout(impl_->db, 5000);
    if (!impl_->exec(Schema)) {
        sqlite3_close(impl_->db);
        impl_->db = nullptr;
    }
}

Store::~Store() {
    if (impl_->db)
        sqlite3_close(impl_->db);
}

bool Store::ok() const {
    return impl_->db != nullptr;
}
const std::string& Store::error() const {
    return impl_->error;
}
const std::string& Store::file() const {
    return impl_->file;
}

std::int64_t Store::beginSave(const std::string& page, std::int64_t undoes) {
    if (!ok())
        return 0;
    Statement q(impl_->db, "INSERT INTO saves(time, page, undoes) VALUES(?, ?, ?)");
    q.bind(1, static_cast<std::int64_t>(std::time(nullptr)));
    q.bind(2, page);
    q.bind(3, undoes);
    if (q.step() != SQLITE_DONE)
        return 0;
    const std::int64_t id = sqlite3_last_insert_rowid(impl_->db);
    applyCap();
    return id;
}

std::int64_t Store::record(Change& c, const std::string& newSavePage, std::int64_t undoes) {
    if (!ok())
        return 0;
    const bool newSave = c.save == 0;
    if (newSave) {
        // One transaction (one sync to disk) for the save and its first change.
        if (!impl_->exec("BEGIN IMMEDIATE"))
            return 0;
        Statement q(impl_->db, "INSERT INTO saves(time, page, undoes) VALUES(?, ?, ?)");
        q.bind(1, static_cast<std::int64_t>(std::time(nullptr)));
        q.bind(2, newSavePage);
        q.bind(3, undoes);
        if (q.step() != SQLITE_DONE) {
            impl_->exec("ROLLBACK");
            return 0;
        }
        c.save = sqlite3_last_insert_rowid(impl_->db);
    }
    const std::int64_t id = insertChange(c);
    if (newSave) {
        if (id == 0 || !impl_->exec("COMMIT")) {
            impl_->exec("ROLLBACK");
            c.save = 0;
            return 0;
        }
        applyCap();
    }
    return id;
}

std::int64_t Store::insertChange(const Change& c) {
    Statement q(impl_->db,
                "INSERT INTO changes(save, kind, place, name, old_exists, old_type, old_data, "
                "new_exists, new_type, new_data) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, c.save);
    q.bind(2, static_cast<std::int64_t>(c.kind));
    q.bind(3, c.place, true);
    q.bind(4, c.name, true);
    q.bind(5, c.oldExists ? 1 : 0);
    q.bind(6, c.oldType);
    q.bind(7, c.oldData, true);
    q.bind(8, c.newExists ? 1 : 0);
    q.bind(9, c.newType);
    q.bind(10, c.newData, true);
    if (q.step() != SQLITE_DONE) {
        impl_->error = sqlite3_errmsg(impl_->db);
        return 0;
    }
    return sqlite3_last_insert_rowid(impl_->db);
}

void Store::forget(std::int64_t changeId) {
    if (!ok())
        return;
    Statement q(impl_->db, "DELETE FROM changes WHERE id = ?");
    q.bind(1, changeId);
    q.step();
}

void Store::applyCap() {
    // Count first, then size: the newest saves are kept whole, the oldest go.
    Statement count(impl_->db, "SELECT count(*) FROM saves");
    if (count.step() == SQLITE_ROW &&
        count.integer(0) > static_cast<std::int64_t>(impl_->cap.saves)) {
        Statement drop(impl_->db, "DELETE FROM saves WHERE id NOT IN "
                                  "(SELECT id FROM saves ORDER BY id DESC LIMIT ?)");
        drop.bind(1, static_cast<std::int64_t>(impl_->cap.saves));
        drop.step();
    }
    for (;;) {
        Statement size(impl_->db, "SELECT coalesce(sum(length(old_data) + length(new_data) + "
                                  "length(place) + length(name) + 64), 0) FROM changes");
        if (size.step() != SQLITE_ROW || size.integer(0) <= impl_->cap.bytes)
            break;
        Statement drop(impl_->db, "DELETE FROM saves WHERE id = (SELECT min(id) FROM saves) AND "
                                  "(SELECT count(*) FROM saves) > 1");
        if (drop.step() != SQLITE_DONE || sqlite3_changes(impl_->db) == 0)
            break;
    }
}

std::vector<Save> Store::saves(std::size_t limit, std::int64_t since) const {
    std::vector<Save> result;
    if (!ok())
        return result;
    Statement q(impl_->db, "SELECT id, time, page, undoes FROM saves WHERE time >= ? "
                           "ORDER BY id DESC LIMIT ?");
    q.bind(1, since);
    q.bind(2, limit ? static_cast<std::int64_t>(limit) : -1);
    while (q.step() == SQLITE_ROW) {
        Save s;
        s.id = q.integer(0);
        s.time = q.integer(1);
        s.page = q.bytes(2);
        s.undoes = q.integer(3);
        impl_->loadChanges(s);
        result.push_back(std::move(s));
    }
    return result;
}

bool Store::save(std::int64_t id, Save& result) const {
    if (!ok())
        return false;
    Statement q(impl_->db, "SELECT id, time, page, undoes FROM saves WHERE id = ?");
    q.bind(1, id);
    if (q.step() != SQLITE_ROW)
        return false;
    result = Save{};
    result.id = q.integer(0);
    result.time = q.integer(1);
    result.page = q.bytes(2);
    result.undoes = q.integer(3);
    impl_->loadChanges(result);
    return true;
}

std::int64_t Store::newestSave() const {
    if (!ok())
        return 0;
    Statement q(impl_->db, "SELECT max(id) FROM saves");
    return q.step() == SQLITE_ROW ? q.integer(0) : 0;
}

} // namespace kestrel::history
