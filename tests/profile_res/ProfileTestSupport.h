// Shared helpers of the profile edition tests: a private temporary folder, file reads and
// one-value SQLite queries.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kitroster::profile_test {

class CTempFolder {
  public:
    CTempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kr-profile-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        m_path = pattern;
    }
    ~CTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path m_path;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Opens a database read-only; closed on destruction.
class CTestDb {
  public:
    explicit CTestDb(const std::filesystem::path& path) {
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK)
            << path;
    }
    ~CTestDb() { sqlite3_close(m_db); }
    sqlite3* Get() const { return m_db; }

    // The rows of a query as text, columns joined by '|'.
    std::vector<std::string> Rows(const std::string& sql) const {
        std::vector<std::string> rows;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(m_db);
            return rows;
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto* text = sqlite3_column_text(stmt, i);
                row +=
                    (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    }
    std::string Value(const std::string& sql) const {
        const auto rows = Rows(sql);
        return rows.empty() ? std::string("<no row>") : rows.front();
    }

  private:
    sqlite3* m_db = nullptr;
};

}  // namespace kitroster::profile_test
