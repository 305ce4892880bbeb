#include "resources/profile_db/ProfileDbWriter.h"

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace kitroster::profiledb {

const char* const kProfileTableSql =
    "CREATE TABLE Profile (ProfileName VARCHAR(1024), Country VARCHAR(1024), "
    "NetProvider VARCHAR(1024), CallType INTEGER, APNname VARCHAR(1024), "
    "CallNumber VARCHAR(1024), UserName VARCHAR(1024), Password VARCHAR(1024), "
    "DNSYN INTEGER, PrimaryDNS VARCHAR(1024), SecondaryDNS VARCHAR(1024), "
    "QosMin VARCHAR(1024), QosReq VARCHAR(1024), AuthType INTEGER, DefaultProfile INTEGER, "
    "LastConnect INTEGER, ShowList INTEGER, MCC INTEGER, MNC INTEGER, HSDPA INTEGER, "
    "COMMON INTEGER, AM COMMON INTEGER, LATIN INTEGER, Imitation INTEGER, "
    "PRIMARY KEY (ProfileName, Country, NetProvider, CallType, DefaultProfile, HSDPA, MCC, MNC))";

namespace {

struct CDbCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct CStmtFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using CDb = std::unique_ptr<sqlite3, CDbCloser>;
using CStmt = std::unique_ptr<sqlite3_stmt, CStmtFinalizer>;

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

void Exec(sqlite3* db, const std::string& sql) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(db, sql);
    }
}

long long QueryInt(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        Fail(db, sql);
    }
    CStmt stmt(raw);
    if (sqlite3_step(raw) != SQLITE_ROW) {
        Fail(db, sql);
    }
    return sqlite3_column_int64(raw, 0);
}

void InsertRows(sqlite3* db, const std::vector<CProfileRow>& rows) {
    sqlite3_stmt* raw = nullptr;
    const char* sql =
        "INSERT INTO Profile VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        Fail(db, sql);
    }
    CStmt stmt(raw);
    for (const CProfileRow& row : rows) {
        int i = 0;
        const auto text = [&](const std::string& value) {
            sqlite3_bind_text(raw, ++i, value.c_str(), static_cast<int>(value.size()),
                              SQLITE_TRANSIENT);
        };
        const auto integer = [&](int value) { sqlite3_bind_int(raw, ++i, value); };
        text(row.m_profileName);
        text(row.m_country);
        text(row.m_netProvider);
        integer(row.m_callType);
        text(row.m_apnName);
        text(row.m_callNumber);
        text(row.m_userName);
        text(row.m_password);
        integer(row.m_dnsYN);
        text(row.m_primaryDns);
        text(row.m_secondaryDns);
        text(row.m_qosMin);
        text(row.m_qosReq);
        integer(row.m_authType);
        integer(row.m_defaultProfile);
        integer(row.m_lastConnect);
        integer(row.m_showList);
        integer(row.m_mcc);
        integer(row.m_mnc);
        integer(row.m_hsdpa);
        integer(row.m_common);
        integer(row.m_am);
        integer(row.m_latin);
        integer(row.m_imitation);
        if (sqlite3_step(raw) != SQLITE_DONE) {
            Fail(db, "insert of profile \"" + row.m_profileName + "\" (" + row.m_country + ", " +
                         row.m_netProvider + ")");
        }
        sqlite3_reset(raw);
    }
}

// Grows the file to totalPages by creating a scratch table whose pages, once it is dropped,
// stay in the file as free pages. With secure_delete the freed pages are zero-filled, so the
// padding carries no data. The blob size is searched so the page count lands exactly.
void PadToPageCount(sqlite3* db, int totalPages) {
    const long long missing = totalPages - QueryInt(db, "PRAGMA page_count");
    if (missing <= 0) {
        return;
    }
    Exec(db, "PRAGMA secure_delete=ON");
    Exec(db, "BEGIN");
    Exec(db, "CREATE TABLE Padding (Filler BLOB)");
    const int overflowPayload = kProfilePageSize - 4;
    bool reached = QueryInt(db, "PRAGMA page_count") == totalPages;
    const long long center = (missing - 1) * overflowPayload;
    for (long long delta = -overflowPayload; !reached && delta <= overflowPayload; delta += 16) {
        const long long size = center + delta;
        if (size <= 0) {
            continue;
        }
        Exec(db, "SAVEPOINT fill");
        Exec(db, "INSERT INTO Padding VALUES (zeroblob(" + std::to_string(size) + "))");
        reached = QueryInt(db, "PRAGMA page_count") == totalPages;
        Exec(db, reached ? "RELEASE fill" : "ROLLBACK TO fill; RELEASE fill");
    }
    if (!reached) {
        Exec(db, "ROLLBACK");
        throw std::runtime_error("cannot pad the profile database to " +
                                 std::to_string(totalPages) + " pages");
    }
    Exec(db, "DROP TABLE Padding");
    Exec(db, "COMMIT");
}

}  // namespace

void WriteProfileDatabase(const std::string& path, const std::vector<CProfileRow>& rows,
                          int totalPages) {
    std::remove(path.c_str());
    std::remove((path + "-journal").c_str());
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    CDb db(raw);
    if (rc != SQLITE_OK) {
        Fail(raw, "cannot create " + path);
    }
    Exec(raw, "PRAGMA page_size=" + std::to_string(kProfilePageSize));
    Exec(raw, "PRAGMA encoding='UTF-8'");
    Exec(raw, "PRAGMA auto_vacuum=NONE");
    Exec(raw, "PRAGMA journal_mode=DELETE");
    Exec(raw, "BEGIN");
    Exec(raw, kProfileTableSql);
    InsertRows(raw, rows);
    Exec(raw, "COMMIT");
    Exec(raw, "VACUUM");
    const long long used = QueryInt(raw, "PRAGMA page_count");
    if (used > totalPages) {
        throw std::runtime_error("the profiles need " + std::to_string(used) +
                                 " pages, more than " + std::to_string(totalPages));
    }
    PadToPageCount(raw, totalPages);
    if (QueryInt(raw, "PRAGMA page_count") != totalPages) {
        throw std::runtime_error("the profile database did not end at " +
                                 std::to_string(totalPages) + " pages");
    }
}

}  // namespace kitroster::profiledb
