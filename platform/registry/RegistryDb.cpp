#include "platform/registry/RegistryDb.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include "base/CString.h"

namespace kitroster::registry {

namespace {

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY,
    parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    name_folded TEXT NOT NULL,
    UNIQUE(parent, name_folded));
INSERT INTO keys(id, parent, name, name_folded) VALUES(1, NULL, '', '');
CREATE TABLE vals(
    key_id INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    name_folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    text TEXT,
    dword INTEGER,
    PRIMARY KEY(key_id, name_folded)) WITHOUT ROWID;
PRAGMA user_version = 1;
)sql";

// Waits for another connection's lock in short, jittered steps while the object's wait
// (LockWait) lasts. SQLite's own busy timeout backs off to 100 ms sleeps, so a process that
// writes in a loop keeps winning the lock and a waiting one can starve until its timeout;
// short sleeps give the waiter its turn.
int WaitForLock(void* state, int /*attempt*/) {
    auto* wait = static_cast<LockWait*>(state);
    const std::chrono::steady_clock::duration budget = std::chrono::milliseconds(kLockWaitMs);
    if (wait->waited >= budget) {
        wait->gaveUp = true;
        return 0;
    }
    wait->seed = wait->seed * 1103515245u + 12345u;
    std::chrono::steady_clock::duration step =
        std::chrono::microseconds(200 + (wait->seed >> 16) % 1800);
    step = std::min(step, budget - wait->waited);
    const auto before = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(step);
    wait->waited += std::chrono::steady_clock::now() - before;
    return 1;
}

constexpr int64_t kTypeString = 1;
constexpr int64_t kTypeDword = 4;

}  // namespace

std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string Fold(const std::string& name) {
    CString folded(name);
    folded.MakeUpper();
    return folded.str();
}

CStatement::CStatement(sqlite3* db, const char* sql) {
    m_prepared = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    if (m_prepared != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

CStatement::~CStatement() {
    sqlite3_finalize(m_stmt);
}

CStatement& CStatement::Bind(int index, const std::string& text) {
    if (m_stmt) {
        sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
    return *this;
}

CStatement& CStatement::Bind(int index, int64_t number) {
    if (m_stmt)
        sqlite3_bind_int64(m_stmt, index, number);
    return *this;
}

CStatement& CStatement::BindNull(int index) {
    if (m_stmt)
        sqlite3_bind_null(m_stmt, index);
    return *this;
}

int CStatement::Step() {
    if (m_stmt)
        return sqlite3_step(m_stmt);
    // Preparing reads the schema, so a locked or damaged file already fails here.
    return m_prepared != SQLITE_OK ? m_prepared : SQLITE_ERROR;
}

std::string CStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!text)
        return {};
    return std::string(text, static_cast<size_t>(sqlite3_column_bytes(m_stmt, column)));
}

int64_t CStatement::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

bool CStatement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::unique_ptr<CRegistryDb> CRegistryDb::Open(const std::string& file, LockWait* wait,
                                               std::string* error, int* code) {
    *code = SQLITE_CANTOPEN;
    // Only a regular file (or a link to one) is a store: a device such as /dev/null would
    // read as an empty store and swallow every write.
    struct stat info;
    if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *error = file + " is not a regular file";
        return nullptr;
    }
    std::filesystem::path path(file);
    if (path.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        if (ec) {
            *error = "cannot create the folder of " + file + ": " + ec.message();
            return nullptr;
        }
    }
    sqlite3* handle = nullptr;
    int rc =
        sqlite3_open_v2(file.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        *code = rc;
        *error = "cannot open " + file + ": " + (handle ? sqlite3_errmsg(handle) : "out of memory");
        sqlite3_close(handle);
        return nullptr;
    }
    std::unique_ptr<CRegistryDb> db(new CRegistryDb(handle));
    sqlite3_busy_handler(handle, &WaitForLock, wait);
    // Rollback journal rather than WAL: the store stays one file, readers that may not
    // write it (a root-owned machine store read by a user) can still open it, and no
    // shared-memory file is needed. Writes are rare and small, so readers and a writer
    // excluding each other briefly costs nothing noticeable.
    db->Exec("PRAGMA journal_mode=DELETE");
    db->Exec("PRAGMA synchronous=FULL");
    db->Exec("PRAGMA foreign_keys=ON");
    if (!db->_createSchema(error)) {
        *error = file + ": " + (db->m_failed ? db->m_failureMessage : *error);
        *code = db->m_failed ? db->m_failureCode : SQLITE_NOTADB;
        return nullptr;
    }
    db->ClearFailure();
    return db;
}

CRegistryDb::~CRegistryDb() {
    sqlite3_close(m_db);
}

bool CRegistryDb::_createSchema(std::string* error) {
    auto version = [&](int64_t* value, int64_t* tables) {
        CStatement v(m_db, "PRAGMA user_version");
        if (_check(v.Step()) != SQLITE_ROW)
            return false;
        *value = v.Int(0);
        CStatement t(m_db, "SELECT count(*) FROM sqlite_master");
        if (_check(t.Step()) != SQLITE_ROW)
            return false;
        *tables = t.Int(0);
        return true;
    };
    int64_t current = 0;
    int64_t tables = 0;
    if (!version(&current, &tables)) {
        *error = sqlite3_errmsg(m_db);
        return false;
    }
    if (current == kSchemaVersion)
        return true;
    if (current != 0 || tables != 0) {
        *error = "not a registry database of this version";
        return false;
    }
    // Another process may be creating the schema right now: decide under the write lock.
    CTransaction txn(*this, true);
    if (!txn.ok() || !version(&current, &tables)) {
        *error = sqlite3_errmsg(m_db);
        return false;
    }
    if (current == kSchemaVersion)
        return true;
    if (current != 0 || tables != 0) {
        *error = "not a registry database of this version";
        return false;
    }
    if (!Exec(kSchema) || !txn.Commit()) {
        *error = sqlite3_errmsg(m_db);
        return false;
    }
    static_assert(kSchemaVersion == 1, "kSchema sets user_version");
    return true;
}

CRegistryDb::CTransaction::CTransaction(CRegistryDb& db, bool write) : m_db(db) {
    m_open = db.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
}

CRegistryDb::CTransaction::~CTransaction() {
    if (m_open)
        m_db.Exec("ROLLBACK");
}

bool CRegistryDb::CTransaction::Commit() {
    if (!m_open)
        return false;
    if (!m_db.Exec("COMMIT")) {
        // A failed COMMIT (busy) leaves the transaction open; the destructor rolls back.
        return false;
    }
    m_open = false;
    return true;
}

bool CRegistryDb::Exec(const char* sql) {
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return true;
    _fail(rc);
    return false;
}

void CRegistryDb::_fail(int rc) {
    // The first failure is kept: later ones (a rollback after it) say less about the cause.
    if (!m_failed) {
        m_failureCode = rc;
        m_failureMessage = sqlite3_errmsg(m_db);
    }
    m_failed = true;
}

std::string CRegistryDb::LastError() const {
    return sqlite3_errmsg(m_db);
}

int CRegistryDb::_check(int rc) {
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        _fail(rc);
    return rc;
}

std::optional<int64_t> CRegistryDb::FindKey(const std::vector<std::string>& parts) {
    int64_t id = kRootKey;
    for (const std::string& part : parts) {
        CStatement find(m_db, "SELECT id FROM keys WHERE parent = ?1 AND name_folded = ?2");
        find.Bind(1, id).Bind(2, Fold(part));
        if (_check(find.Step()) != SQLITE_ROW)
            return std::nullopt;
        id = find.Int(0);
    }
    return id;
}

std::optional<int64_t> CRegistryDb::EnsureKey(const std::vector<std::string>& parts) {
    int64_t id = kRootKey;
    for (const std::string& part : parts) {
        std::string folded = Fold(part);
        CStatement find(m_db, "SELECT id FROM keys WHERE parent = ?1 AND name_folded = ?2");
        find.Bind(1, id).Bind(2, folded);
        int rc = _check(find.Step());
        if (rc == SQLITE_ROW) {
            id = find.Int(0);
            continue;
        }
        if (rc != SQLITE_DONE)
            return std::nullopt;
        CStatement insert(m_db, "INSERT INTO keys(parent, name, name_folded) VALUES(?1, ?2, ?3)");
        insert.Bind(1, id).Bind(2, part).Bind(3, folded);
        if (_check(insert.Step()) != SQLITE_DONE)
            return std::nullopt;
        id = sqlite3_last_insert_rowid(m_db);
    }
    return id;
}

bool CRegistryDb::DeleteKey(int64_t id) {
    if (id == kRootKey)
        return false;
    CStatement del(m_db, "DELETE FROM keys WHERE id = ?1");
    del.Bind(1, id);
    return _check(del.Step()) == SQLITE_DONE && sqlite3_changes(m_db) > 0;
}

std::optional<RegValue> CRegistryDb::ReadValue(int64_t keyId, const std::string& name) {
    CStatement read(
        m_db, "SELECT name, type, text, dword FROM vals WHERE key_id = ?1 AND name_folded = ?2");
    read.Bind(1, keyId).Bind(2, Fold(name));
    if (_check(read.Step()) != SQLITE_ROW)
        return std::nullopt;
    RegValue value;
    value.name = read.Text(0);
    value.type = read.Int(1) == kTypeDword ? RegType::kDword : RegType::kString;
    value.text = read.Text(2);
    value.dword = static_cast<uint32_t>(read.Int(3));
    return value;
}

bool CRegistryDb::WriteValue(int64_t keyId, const RegValue& value) {
    // A rewrite keeps the value's original spelling, as a key does.
    CStatement write(m_db,
                     "INSERT INTO vals(key_id, name, name_folded, type, text, dword) "
                     "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(key_id, name_folded) DO UPDATE "
                     "SET type = excluded.type, text = excluded.text, dword = excluded.dword");
    write.Bind(1, keyId).Bind(2, value.name).Bind(3, Fold(value.name));
    if (value.type == RegType::kDword) {
        write.Bind(4, kTypeDword).BindNull(5).Bind(6, static_cast<int64_t>(value.dword));
    } else {
        write.Bind(4, kTypeString).Bind(5, value.text).BindNull(6);
    }
    return _check(write.Step()) == SQLITE_DONE;
}

bool CRegistryDb::DeleteValue(int64_t keyId, const std::string& name) {
    CStatement del(m_db, "DELETE FROM vals WHERE key_id = ?1 AND name_folded = ?2");
    del.Bind(1, keyId).Bind(2, Fold(name));
    return _check(del.Step()) == SQLITE_DONE && sqlite3_changes(m_db) > 0;
}

std::vector<RegValue> CRegistryDb::Values(int64_t keyId) {
    std::vector<RegValue> values;
    CStatement list(m_db,
                    "SELECT name, type, text, dword FROM vals WHERE key_id = ?1 "
                    "ORDER BY name_folded");
    list.Bind(1, keyId);
    while (_check(list.Step()) == SQLITE_ROW) {
        RegValue value;
        value.name = list.Text(0);
        value.type = list.Int(1) == kTypeDword ? RegType::kDword : RegType::kString;
        value.text = list.Text(2);
        value.dword = static_cast<uint32_t>(list.Int(3));
        values.push_back(std::move(value));
    }
    return values;
}

std::vector<std::string> CRegistryDb::Subkeys(int64_t keyId) {
    std::vector<std::string> names;
    CStatement list(m_db, "SELECT name FROM keys WHERE parent = ?1 ORDER BY name_folded");
    list.Bind(1, keyId);
    while (_check(list.Step()) == SQLITE_ROW)
        names.push_back(list.Text(0));
    return names;
}

std::vector<CRegistryDb::KeyRow> CRegistryDb::AllKeys() {
    std::vector<KeyRow> rows;
    CStatement list(m_db, "SELECT id, parent, name FROM keys WHERE parent IS NOT NULL");
    while (_check(list.Step()) == SQLITE_ROW)
        rows.push_back({list.Int(0), list.Int(1), list.Text(2)});
    return rows;
}

}  // namespace kitroster::registry
