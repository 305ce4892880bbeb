#include "catalogue/transfer/ImportRecords.h"

#include <algorithm>
#include <map>

#include <nlohmann/json.hpp>

#include "catalogue/transfer/CsvCodec.h"
#include "catalogue/transfer/OrderedJsonParse.h"
#include "catalogue/transfer/TransferColumns.h"
#include "platform/env/PathMapping.h"

namespace NResourceItem {

namespace {

using namespace transfer;
using Json = nlohmann::ordered_json;

// Collects the problems of one record; the record is kept only when there were none.
class CRecordProblems {
  public:
    CRecordProblems(int record, int line, std::vector<SImportProblem>* problems)
        : m_record(record), m_line(line), m_problems(problems) {}
    void Add(std::string message) {
        m_problems->push_back({m_record, m_line, std::move(message)});
        m_any = true;
    }
    bool Any() const { return m_any; }

    // `utf8` in the catalogue's text; a problem naming `what` when it has no such form.
    CString Text(const std::string& utf8, const std::string& what) {
        if (utf8.find('\0') != std::string::npos) {
            Add(what + " holds a NUL character");
            return CString();
        }
        std::string text;
        if (!kitroster::Utf8ToCp1252(utf8, &text)) {
            Add(kitroster::UnheldTextMessage(what));
            return CString();
        }
        return CString(std::move(text));
    }

  private:
    int m_record, m_line;
    std::vector<SImportProblem>* m_problems;
    bool m_any = false;
};

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char ch) {
        return static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    });
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// --- CSV ---

// What a header column stands for.
struct SColumn {
    enum EKind { kId, kType, kName, kConn, kCaps, kConnPair, kCapsPair, kPasswordPlain };
    EKind kind;
    std::string key;  // the property key of a pair column, as written
};

bool ReadHeader(const SCsvRecord& header, std::vector<SColumn>* columns,
                std::vector<SImportProblem>* problems) {
    const size_t before = problems->size();
    auto fail = [&](const std::string& message) { problems->push_back({0, header.line, message}); };
    std::map<std::string, int> seen;  // upper-cased name -> column number
    for (size_t i = 0; i < header.fields.size(); ++i) {
        const std::string name = Upper(Trimmed(header.fields[i]));
        const std::string shown = "'" + header.fields[i] + "'";
        SColumn column{SColumn::kId, {}};
        if (name == kColumnId) {
            column.kind = SColumn::kId;
        } else if (name == kColumnType) {
            column.kind = SColumn::kType;
        } else if (name == kColumnName) {
            column.kind = SColumn::kName;
        } else if (name == kColumnConn) {
            column.kind = SColumn::kConn;
        } else if (name == kColumnCaps) {
            column.kind = SColumn::kCaps;
        } else if (name == kPasswordPlainKey ||
                   name == std::string(kConnPrefix) + kPasswordPlainKey) {
            column.kind = SColumn::kPasswordPlain;
        } else if (StartsWith(name, kConnPrefix) && name.size() > 5) {
            column = {SColumn::kConnPair, Trimmed(header.fields[i]).substr(5)};
        } else if (StartsWith(name, kCapsPrefix) && name.size() > 5) {
            column = {SColumn::kCapsPair, Trimmed(header.fields[i]).substr(5)};
        } else {
            fail("unknown column " + shown +
                 " (columns are ID, TYPE, NAME, CONN, CAPS, CONN.<KEY>, CAPS.<KEY> and " +
                 kPasswordPlainKey + ")");
        }
        const std::string identity =
            column.kind == SColumn::kPasswordPlain ? std::string(kPasswordPlainKey) : name;
        if (auto [it, fresh] = seen.emplace(identity, static_cast<int>(i) + 1); !fresh)
            fail("column " + shown + " repeats column " + std::to_string(it->second));
        columns->push_back(std::move(column));
    }
    if (!seen.count(kColumnId))
        fail("the header has no ID column");
    return problems->size() == before;
}

std::vector<SImportRecord> ReadCsvRecords(std::string_view text,
                                          std::vector<SImportProblem>* problems, bool rawCells) {
    std::vector<SCsvRecord> rows;
    std::vector<SCsvProblem> syntax;
    ReadCsv(text, &rows, &syntax);
    for (SCsvProblem& problem : syntax)
        problems->push_back({0, problem.line, std::move(problem.message)});
    std::vector<SImportRecord> records;
    if (rows.empty()) {
        if (syntax.empty())
            problems->push_back({0, 1, "the file has no header row"});
        return records;
    }
    std::vector<SColumn> columns;
    if (!ReadHeader(rows[0], &columns, problems))
        return records;
    const bool hasConnPairs = std::any_of(columns.begin(), columns.end(), [](const SColumn& c) {
        return c.kind == SColumn::kConnPair;
    });
    const bool hasCapsPairs = std::any_of(columns.begin(), columns.end(), [](const SColumn& c) {
        return c.kind == SColumn::kCapsPair;
    });

    for (size_t r = 1; r < rows.size(); ++r) {
        const SCsvRecord& row = rows[r];
        CRecordProblems recordProblems(static_cast<int>(r), row.line, problems);
        if (row.fields.size() != columns.size()) {
            recordProblems.Add("the record has " + std::to_string(row.fields.size()) +
                               " fields, the header " + std::to_string(columns.size()));
            continue;
        }
        SImportRecord record;
        record.index = static_cast<int>(r);
        record.line = row.line;
        record.conn.pairsCarried = hasConnPairs;
        record.caps.pairsCarried = hasCapsPairs;
        for (size_t c = 0; c < columns.size(); ++c) {
            const SColumn& column = columns[c];
            const std::string cell =
                rawCells ? row.fields[c] : UnmarkSpreadsheetCell(row.fields[c]);
            const std::string what = "column " + std::to_string(c + 1);
            switch (column.kind) {
                case SColumn::kId:
                    record.id = recordProblems.Text(cell, "the identifier");
                    break;
                case SColumn::kType:
                    record.type = recordProblems.Text(cell, "the type");
                    break;
                case SColumn::kName:
                    record.name = recordProblems.Text(cell, "the name");
                    break;
                case SColumn::kConn:
                    record.conn.text = recordProblems.Text(cell, "the connectivity");
                    break;
                case SColumn::kCaps:
                    record.caps.text = recordProblems.Text(cell, "the capabilities");
                    break;
                case SColumn::kConnPair:
                case SColumn::kCapsPair: {
                    SImportProperties& field =
                        column.kind == SColumn::kConnPair ? record.conn : record.caps;
                    const CString key = recordProblems.Text(column.key, what + "'s key");
                    field.columnKeys.push_back(key);
                    if (!cell.empty())
                        field.pairs.push_back({key, recordProblems.Text(cell, what)});
                    break;
                }
                case SColumn::kPasswordPlain:
                    // The clear text is never named in a message.
                    if (!cell.empty())
                        record.passwordPlain = recordProblems.Text(cell, "the clear password");
                    break;
            }
        }
        if (!recordProblems.Any())
            records.push_back(std::move(record));
    }
    return records;
}

// --- JSON ---

int LineOfOffset(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

// The parser's message without its "[json.exception.NAME.ID] " tag.
std::string WithoutTag(std::string message) {
    const size_t tag = message.find("] ");
    if (message.rfind("[json.", 0) == 0 && tag != std::string::npos)
        message.erase(0, tag + 2);
    return message;
}

std::optional<CString> JsonText(const Json& value, const std::string& field,
                                CRecordProblems* problems) {
    if (!value.is_string()) {
        problems->Add("\"" + field + "\" must be a string, not " + value.type_name());
        return std::nullopt;
    }
    return problems->Text(value.get<std::string>(), "\"" + field + "\"");
}

void ReadJsonPairs(const Json& value, const std::string& field, bool connectivity,
                   SImportRecord* record, CRecordProblems* problems) {
    SImportProperties& properties = connectivity ? record->conn : record->caps;
    if (!value.is_object()) {
        problems->Add("\"" + field + "\" must be an object, not " + value.type_name());
        return;
    }
    properties.pairsCarried = true;
    for (const auto& [key, pairValue] : value.items()) {
        const bool password = Upper(key) == kPasswordPlainKey;
        if (!pairValue.is_string()) {
            problems->Add("\"" + field + "\"." + key + " must be a string, not " +
                          pairValue.type_name());
            continue;
        }
        if (password && !connectivity) {
            problems->Add(std::string(kPasswordPlainKey) + " belongs in \"" + kJsonConnProperties +
                          "\"");
        } else if (password) {
            const std::string plain = pairValue.get<std::string>();
            if (!plain.empty())
                record->passwordPlain = problems->Text(plain, "the clear password");
        } else {
            properties.pairs.push_back(
                {problems->Text(key, "the key '" + key + "'"),
                 problems->Text(pairValue.get<std::string>(), "\"" + field + "\"." + key)});
        }
    }
}

std::vector<SImportRecord> ReadJsonRecords(std::string_view text,
                                           std::vector<SImportProblem>* problems) {
    std::vector<SImportRecord> records;
    Json document;
    // A key given twice in one object would be dropped without a word; it is a problem.
    auto repeated = [&](int element, const std::string& key) {
        problems->push_back({element, 0, "the key \"" + key + "\" is given twice in one object"});
    };
    const size_t before = problems->size();
    try {
        document = ParseOrderedJson(text, repeated);
    } catch (const Json::parse_error& e) {
        // The parser's message names the byte; the line is what a person looks for.
        problems->push_back({0, LineOfOffset(text, e.byte > 0 ? e.byte - 1 : 0),
                             "not valid JSON: " + WithoutTag(e.what())});
        return records;
    } catch (const Json::exception& e) {
        // A value the parser cannot hold (a number out of range) is refused as well.
        problems->push_back({0, 0, "not a usable JSON document: " + WithoutTag(e.what())});
        return records;
    }
    if (problems->size() > before)
        return records;
    if (!document.is_array()) {
        problems->push_back({0, 1,
                             std::string("the document must be a JSON array of "
                                         "resources, not ") +
                                 document.type_name()});
        return records;
    }
    int index = 0;
    for (const Json& element : document) {
        ++index;
        CRecordProblems recordProblems(index, 0, problems);
        if (!element.is_object()) {
            recordProblems.Add(std::string("a resource must be a JSON object, not ") +
                               element.type_name());
            continue;
        }
        SImportRecord record;
        record.index = index;
        for (const auto& [field, value] : element.items()) {
            if (field == kJsonId) {
                record.id = JsonText(value, field, &recordProblems).value_or(CString());
            } else if (field == kJsonType) {
                record.type = JsonText(value, field, &recordProblems);
            } else if (field == kJsonName) {
                record.name = JsonText(value, field, &recordProblems);
            } else if (field == kJsonConn) {
                record.conn.text = JsonText(value, field, &recordProblems);
            } else if (field == kJsonCaps) {
                record.caps.text = JsonText(value, field, &recordProblems);
            } else if (field == kJsonConnProperties) {
                ReadJsonPairs(value, field, true, &record, &recordProblems);
            } else if (field == kJsonCapsProperties) {
                ReadJsonPairs(value, field, false, &record, &recordProblems);
            } else {
                recordProblems.Add("unknown field \"" + field + "\"");
            }
        }
        if (!element.contains(kJsonId))
            recordProblems.Add("the resource has no \"id\"");
        if (!recordProblems.Any())
            records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

std::vector<SImportRecord> ReadImportRecords(std::string_view text, ETransferFormat format,
                                             std::vector<SImportProblem>* problems, bool rawCells) {
    return format == ETransferFormat::kCsv ? ReadCsvRecords(text, problems, rawCells)
                                           : ReadJsonRecords(text, problems);
}

}  // namespace NResourceItem
