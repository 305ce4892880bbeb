// The SQLite side of the registry store: one connection, its schema, key resolution and
// value rows. CRegistry puts the public semantics (defaults, write-back, cuts) on top.
//
// Schema:
//   keys(id, parent, name, name_folded)   root row id 1 with a NULL parent; names keep
//                                         their spelling, name_folded is the
//                                         Windows-1252 upper-case form used for look-ups
//   vals(key_id, name, name_folded, type, text, dword)
// Deleting a key row cascades to its subkeys and values (foreign keys with ON DELETE
// CASCADE), so DeleteKey is one statement.
//
// Thread-safety: none; CRegistry serialises every use under its mutex.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace kitroster::registry {

// Key path split into its non-empty components.
std::vector<std::string> SplitKeyPath(const std::string& path);
// Windows-1252 upper-case form of a key or value name.
std::string Fold(const std::string& name);

// How long one CRegistry waits for other processes' locks. The wait is shared by the calls
// of one object: once a wait has run out, later calls give up at once instead of waiting
// again, until a call gets through without giving up. So a command whose store stays
// locked waits about kLockWaitMs in all, however many values it reads.
inline constexpr int kLockWaitMs = 10000;

struct LockWait {
    std::chrono::steady_clock::duration waited{};  // since the last call that did not give up
    bool gaveUp = false;                           // a wait of the current call ran out
    uint32_t seed = 0;                             // jitter of the waiting steps

    // Called as each CRegistry call starts.
    void BeginCall() {
        if (!gaveUp)
            waited = {};
        gaveUp = false;
    }
};

// A prepared statement; finalised on destruction.
class CStatement {
  public:
    CStatement(sqlite3* db, const char* sql);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool ok() const { return m_stmt != nullptr; }
    CStatement& Bind(int index, const std::string& text);
    CStatement& Bind(int index, int64_t number);
    CStatement& BindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error code (that of preparing, when that failed).
    int Step();
    std::string Text(int column) const;
    int64_t Int(int column) const;
    bool IsNull(int column) const;

  private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_prepared = SQLITE_OK;  // result of preparing the statement
};

class CRegistryDb {
  public:
    static constexpr int64_t kRootKey = 1;

    // Opens (and creates, with its folder) the database file. Null with `*error` set when
    // the file cannot be opened, is not a regular file or is not a registry database;
    // `*code` then holds the SQLite result code that stopped it (SQLITE_NOTADB for another
    // kind of database, SQLITE_CANTOPEN for what is not a regular file). Lock waits follow
    // `*wait`, which must outlive the database object.
    static std::unique_ptr<CRegistryDb> Open(const std::string& file, LockWait* wait,
                                             std::string* error, int* code);
    ~CRegistryDb();

    // A transaction; rolled back on destruction unless committed. `write` takes the write
    // lock at once (BEGIN IMMEDIATE), waiting for other writers up to the busy timeout.
    class CTransaction {
      public:
        CTransaction(CRegistryDb& db, bool write);
        ~CTransaction();
        bool ok() const { return m_open; }
        bool Commit();

      private:
        CRegistryDb& m_db;
        bool m_open = false;
    };

    // The key's id, or nothing when a component is missing (or on a database error).
    std::optional<int64_t> FindKey(const std::vector<std::string>& parts);
    // The key's id, creating missing components. REQUIRES: inside a write transaction.
    std::optional<int64_t> EnsureKey(const std::vector<std::string>& parts);
    // Removes a key with everything below it; false when it did not exist.
    bool DeleteKey(int64_t id);

    std::optional<RegValue> ReadValue(int64_t keyId, const std::string& name);
    bool WriteValue(int64_t keyId, const RegValue& value);
    // True when a value was removed.
    bool DeleteValue(int64_t keyId, const std::string& name);
    std::vector<RegValue> Values(int64_t keyId);
    std::vector<std::string> Subkeys(int64_t keyId);

    struct KeyRow {
        int64_t id;
        int64_t parent;
        std::string name;
    };
    // Every key but the root.
    std::vector<KeyRow> AllKeys();

    bool Exec(const char* sql);
    std::string LastError() const;

    // Whether the last failure was a database error rather than a missing row.
    bool failed() const { return m_failed; }
    // The SQLite result code and message of the first failure since ClearFailure.
    int failureCode() const { return m_failureCode; }
    const std::string& failureMessage() const { return m_failureMessage; }
    void ClearFailure() {
        m_failed = false;
        m_failureCode = 0;
        m_failureMessage.clear();
    }

  private:
    explicit CRegistryDb(sqlite3* db) : m_db(db) {}
    bool _createSchema(std::string* error);
    // Records a failed step (anything but SQLITE_ROW/SQLITE_DONE).
    int _check(int rc);
    void _fail(int rc);

    sqlite3* m_db;
    bool m_failed = false;
    int m_failureCode = 0;
    std::string m_failureMessage;
};

}  // namespace kitroster::registry
