// The records of an import document (CSV or JSON, as CatalogueExport writes them), read
// into the catalogue's text, each with where it came from. Reading finds what is wrong
// with the document itself (its syntax, unknown columns or fields, values of the wrong
// type, text that is not UTF-8 or has no Windows-1252 form, NUL characters); the checks
// against the catalogue are CatalogueImport's.
//
// A field the document does not carry (no column, no key) stays unset, so that a
// replaced resource keeps it. Connectivity and capabilities come as a property string,
// as key/value pairs, or both; CatalogueImport combines them.
//
// Thread-safety: plain functions on their arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

enum class ETransferFormat { kJson, kCsv };

// A problem of one record (or of the document, record 0). `message` is UTF-8.
struct KITROSTER_API SImportProblem {
    int record = 0;  // 1-based; 0 for the document as a whole (a CSV header, JSON syntax)
    int line = 0;    // the physical line the record starts on; 0 when not known
    std::string message;
};

struct KITROSTER_API SImportProperty {
    CString key, value;
};

// A connectivity or capability field as the document gives it.
struct KITROSTER_API SImportProperties {
    std::optional<CString> text;         // the property string, when carried
    bool pairsCarried = false;           // the document has pair columns or a pairs object
    std::vector<SImportProperty> pairs;  // the given pairs, in document order
    // CSV: the keys that have a column. A spreadsheet carries only those keys, and an
    // empty cell stands for an absent or empty property; `pairs` holds the non-empty cells.
    // Empty for JSON, whose pairs object is complete.
    std::vector<CString> columnKeys;
};

struct KITROSTER_API SImportRecord {
    int index = 0;  // 1-based
    int line = 0;   // 0 when not known
    CString id;     // as given (untrimmed)
    std::optional<CString> type, name;
    SImportProperties conn, caps;
    std::optional<CString> passwordPlain;  // a non-empty clear password to seal
};

// Reads `text`; every problem found is appended to `*problems`. Records with a problem of
// their own are left out; what is returned is only meaningful when no problem was added.
// CSV cells lose the apostrophe the export puts before a cell a spreadsheet would take for
// a formula (UnmarkSpreadsheetCell), unless `rawCells`.
KITROSTER_API std::vector<SImportRecord> ReadImportRecords(std::string_view text,
                                                           ETransferFormat format,
                                                           std::vector<SImportProblem>* problems,
                                                           bool rawCells = false);

}  // namespace NResourceItem
