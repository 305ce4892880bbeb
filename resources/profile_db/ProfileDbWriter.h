// Writes the profile database file: one table Profile and its primary-key index, page size
// 1024, UTF-8, and exactly the requested number of pages.
#pragma once

#include <string>
#include <vector>

#include "resources/profile_db/ProfileRows.h"

namespace kitroster::profiledb {

// The table as the host product reads it; "AM COMMON INTEGER" gives column AM the declared
// type "COMMON INTEGER".
extern const char* const kProfileTableSql;

constexpr int kProfilePageSize = 1024;
constexpr int kProfilePageCount = 125;

// Creates the database at path (an existing file is replaced) holding rows. The rows are
// packed (VACUUM) and the file is then brought to totalPages with zero-filled free pages,
// which the host's own profiles can later reuse. Throws std::runtime_error on any SQLite
// error, or when the rows need more than totalPages pages.
void WriteProfileDatabase(const std::string& path, const std::vector<CProfileRow>& rows,
                          int totalPages = kProfilePageCount);

}  // namespace kitroster::profiledb
