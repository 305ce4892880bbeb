// The catalogue as a spreadsheet or JSON document, as UTF-8 text, the resources ordered by
// identifier (case ignored) so that the same catalogue always gives the same bytes.
//
// JSON: an array of objects with the fields of `kitroster show --json` (id, type, name,
// conn, caps, connProperties, capsProperties). CSV (RFC 4180, CRLF): the columns ID, TYPE,
// NAME, CONN, CAPS, then one CONN.<KEY> column for every connectivity key and one
// CAPS.<KEY> column for every capability key seen in any resource, each group in the order
// the keys first appear; a resource without a key has an empty cell. Properties are
// written as stored: a PASSWORD is the sealed text the resource file holds. A cell a
// spreadsheet would run as a formula is written behind an apostrophe
// (MarkSpreadsheetCell), unless `raw`; the import takes the mark off again.
//
// CatalogueImport reads both back to the same catalogue.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <string>

#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

KITROSTER_API std::string ExportCatalogueJson(IKitroster* collection);
KITROSTER_API std::string ExportCatalogueCsv(IKitroster* collection, bool raw = false);

}  // namespace NResourceItem
