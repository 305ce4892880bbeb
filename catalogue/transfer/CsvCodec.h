// CSV as spreadsheets read and write it (RFC 4180): records end in CRLF (LF alone is read
// too), fields are separated by commas, and a field holding a comma, a double quote, CR or
// LF is put in double quotes with its quotes doubled. The reader skips a leading UTF-8
// byte order mark and blank lines, and reports every syntax fault with the physical line
// it is on instead of guessing what was meant.
//
// Text is taken and given as bytes; the codec does not look at the encoding.
//
// Thread-safety: plain functions on their arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/KitrosterExport.h"

namespace NResourceItem {

struct KITROSTER_API SCsvRecord {
    int line = 0;  // the physical line (1-based) the record starts on
    std::vector<std::string> fields;
};

struct KITROSTER_API SCsvProblem {
    int line = 0;
    std::string message;
};

// Splits `text` into records. A record with a syntax fault (a quote inside an unquoted
// field, text after a closing quote) is reported and left out; an unterminated quote is
// reported with the line its field starts on and ends the reading. True when there was
// no problem.
KITROSTER_API bool ReadCsv(std::string_view text, std::vector<SCsvRecord>* records,
                           std::vector<SCsvProblem>* problems);

// Appends `fields` as one record, quoted where needed, ending in CRLF.
KITROSTER_API void AppendCsvRecord(const std::vector<std::string>& fields, std::string* out);

// A spreadsheet runs a cell that begins with '=', '+', '-', '@', a tab or CR as a formula
// (a resource's name, written by any peer, could then run a command on the machine that
// opens the export). Such a cell is written behind a leading apostrophe, which makes it
// text. So that reading it back takes off exactly the mark that was added, a cell that
// begins with apostrophes followed by one of those characters gets one apostrophe more:
// MarkSpreadsheetCell adds one apostrophe where the cell needs it and
// UnmarkSpreadsheetCell removes it, UnmarkSpreadsheetCell(MarkSpreadsheetCell(v)) == v.
KITROSTER_API std::string MarkSpreadsheetCell(const std::string& cell);
KITROSTER_API std::string UnmarkSpreadsheetCell(const std::string& cell);

}  // namespace NResourceItem
