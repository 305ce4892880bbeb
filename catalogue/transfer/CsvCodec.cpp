#include "catalogue/transfer/CsvCodec.h"

namespace NResourceItem {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsRecordEnd(std::string_view text, size_t pos) {
    return pos >= text.size() || text[pos] == '\n' ||
           (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n');
}

// Steps over the record end at `pos` (CRLF, LF or the end of the text).
size_t SkipRecordEnd(std::string_view text, size_t pos, int* line) {
    if (pos >= text.size())
        return pos;
    ++*line;
    return pos + (text[pos] == '\r' ? 2 : 1);
}

bool IsBlankRecord(const std::vector<std::string>& fields) {
    return fields.size() == 1 && fields[0].empty();
}

// Whether a spreadsheet could take `cell`, once its leading apostrophes are taken off, for
// a formula.
bool NeedsMark(std::string_view cell) {
    const size_t first = cell.find_first_not_of('\'');
    return first != std::string_view::npos &&
           std::string_view("=+-@\t\r").find(cell[first]) != std::string_view::npos;
}

}  // namespace

std::string MarkSpreadsheetCell(const std::string& cell) {
    return NeedsMark(cell) ? "'" + cell : cell;
}

std::string UnmarkSpreadsheetCell(const std::string& cell) {
    if (!cell.empty() && cell[0] == '\'' && NeedsMark(std::string_view(cell).substr(1)))
        return cell.substr(1);
    return cell;
}

bool ReadCsv(std::string_view text, std::vector<SCsvRecord>* records,
             std::vector<SCsvProblem>* problems) {
    const size_t problemsBefore = problems->size();
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    int line = 1;
    size_t pos = 0;
    while (pos < text.size()) {
        SCsvRecord record;
        record.line = line;
        std::string fault;
        for (;;) {
            std::string field;
            if (pos < text.size() && text[pos] == '"') {
                const int fieldLine = line;
                ++pos;
                bool closed = false;
                while (pos < text.size()) {
                    const char ch = text[pos++];
                    if (ch == '"') {
                        if (pos < text.size() && text[pos] == '"') {
                            field += '"';
                            ++pos;
                            continue;
                        }
                        closed = true;
                        break;
                    }
                    if (ch == '\n')
                        ++line;
                    field += ch;
                }
                if (!closed) {
                    problems->push_back(
                        {fieldLine, "a quoted field is not closed before the end of the file"});
                    return false;
                }
                if (pos < text.size() && text[pos] != ',' && !IsRecordEnd(text, pos) &&
                    fault.empty()) {
                    fault = "text follows the closing quote of a field";
                }
            }
            // An unquoted field (or what follows a faulty closing quote) runs to the next
            // comma or record end; a bare CR inside it is kept as text.
            while (pos < text.size() && text[pos] != ',' && !IsRecordEnd(text, pos)) {
                if (text[pos] == '"' && fault.empty())
                    fault = "a double quote inside an unquoted field (quote the field)";
                field += text[pos++];
            }
            record.fields.push_back(std::move(field));
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
                continue;
            }
            pos = SkipRecordEnd(text, pos, &line);
            break;
        }
        if (!fault.empty())
            problems->push_back({record.line, fault});
        else if (!IsBlankRecord(record.fields))
            records->push_back(std::move(record));
    }
    return problems->size() == problemsBefore;
}

void AppendCsvRecord(const std::vector<std::string>& fields, std::string* out) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            *out += ',';
        const std::string& field = fields[i];
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            *out += field;
            continue;
        }
        *out += '"';
        for (const char ch : field) {
            if (ch == '"')
                *out += '"';
            *out += ch;
        }
        *out += '"';
    }
    *out += "\r\n";
}

}  // namespace NResourceItem
