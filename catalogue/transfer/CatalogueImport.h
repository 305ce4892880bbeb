// Import of resources from a CSV or JSON document (ImportRecords.h) into the collection:
// every record is checked with the edit dialog's rules (EditRules.h) and against the
// collection and the other records, and the whole document is applied only when no record
// has a problem.
//
// How the property string and the pairs of a record combine:
//   - only the string: it is stored as given (trimmed, as the edit dialog does);
//   - only pairs: JSON: the string is written from them, in their order. CSV: every
//     CONN.<KEY> (CAPS.<KEY>) column sets its key in the resource's current string (empty
//     for a new resource), or removes it when the cell is empty; other keys are kept;
//   - both: they must agree, and the string is stored as given, so that an exported
//     catalogue reads back byte for byte. JSON: the pairs object holds the same keys with
//     the same values as the string, in any order. CSV: for every CONN.<KEY> (CAPS.<KEY>)
//     column the string has that value, an empty cell standing for an absent or empty
//     property; keys without a column are not compared. A row whose pair cells are all
//     empty gives only the string;
//   - neither (no column, no key): a new resource gets an empty field, a replaced one keeps
//     its own.
// A PASSWORD_PLAIN (CSV column, or key of the JSON connProperties) is sealed with the site
// key and stored as the connectivity PASSWORD; its clear text is never stored or put in a
// message. A PASSWORD given as a property must be sealed text that opens with this site's
// key (PasswordRule.h): clear text, and text sealed at another site, are problems.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/transfer/ImportRecords.h"

namespace NResourceItem {

struct KITROSTER_API SImportOptions {
    // Records naming an existing resource replace its fields; otherwise they are problems.
    bool replace = false;
    // Seals a clear password (EncryptPassword when empty); empty text means it could not.
    std::function<CString(const CString&)> seal;
    // Whether a sealed PASSWORD opens with this site's key (DecryptPassword when empty).
    std::function<bool(const CString&)> opens;
    // CSV cells are taken as written, without taking off the export's formula mark.
    bool rawCells = false;
};

// One resource the import adds or replaces, with the fields it is stored with.
struct KITROSTER_API SImportAction {
    enum EKind { kAdd, kReplace, kUnchanged };
    EKind kind = kAdd;
    int record = 0;
    CString id, type, name, conn, caps;
};

struct KITROSTER_API SImportPlan {
    std::vector<SImportAction> actions;    // in document order
    std::vector<SImportProblem> problems;  // in document order; the plan applies when empty
};

// Reads and checks `text` against `collection`; changes nothing.
KITROSTER_API SImportPlan PlanImport(std::string_view text, ETransferFormat format,
                                     IKitroster* collection, const SImportOptions& options);

// Checks records already read (PlanImport's second half); `problems` carries the reading's
// problems on into the plan.
KITROSTER_API SImportPlan CheckImportRecords(const std::vector<SImportRecord>& records,
                                             std::vector<SImportProblem> problems,
                                             IKitroster* collection, const SImportOptions& options);

// Applies a plan without problems to the collection (in memory; the caller saves). False,
// changing nothing, when the plan has problems.
KITROSTER_API bool ApplyImport(const SImportPlan& plan, IKitroster* collection);

}  // namespace NResourceItem
