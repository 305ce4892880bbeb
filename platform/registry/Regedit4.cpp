#include "platform/registry/Regedit4.h"

#include <cstdio>
#include <cstring>

namespace kitroster::registry {

namespace {

constexpr const char* kHeader = "REGEDIT4";
constexpr const char* kEol = "\r\n";

bool NeedsHex(const std::string& text) {
    for (unsigned char ch : text) {
        if (ch < 0x20 || ch == 0x7F)
            return true;
    }
    return false;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '\\' || ch == '"')
            out += '\\';
        out += ch;
    }
    out += '"';
    return out;
}

std::string HexString(const std::string& text) {
    std::string out = "hex(1):";
    char byte[4];
    for (unsigned char ch : text) {
        std::snprintf(byte, sizeof byte, "%02x,", ch);
        out += byte;
    }
    return out + "00";
}

char UpperAscii(char ch) {
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

bool EqualsNoCaseAscii(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCaseAscii(const std::string& text, size_t pos, const char* prefix) {
    size_t n = std::strlen(prefix);
    return text.size() - pos >= n && EqualsNoCaseAscii(text.substr(pos, n), prefix);
}

std::string TrimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at text[*pos] == '"'; leaves *pos after the closing quote.
bool ReadQuoted(const std::string& text, size_t* pos, std::string* out, std::string* why) {
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '"') {
            *pos = i + 1;
            return true;
        }
        if (ch == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) {
                *why = "a backslash must be followed by \\ or \" inside quotes";
                return false;
            }
            ch = text[++i];
        }
        *out += ch;
    }
    *why = "missing closing quote";
    return false;
}

// Parses "xx,xx,...": one or more two-digit hexadecimal bytes separated by commas.
bool ReadHexBytes(const std::string& text, std::string* bytes) {
    bytes->clear();
    std::string list = TrimBlanks(text);
    if (list.empty())
        return true;
    size_t pos = 0;
    while (true) {
        while (pos < list.size() && (list[pos] == ' ' || list[pos] == '\t'))
            ++pos;
        if (pos + 2 > list.size())
            return false;
        int hi = HexDigit(list[pos]);
        int lo = HexDigit(list[pos + 1]);
        if (hi < 0 || lo < 0)
            return false;
        *bytes += static_cast<char>(hi * 16 + lo);
        pos += 2;
        while (pos < list.size() && (list[pos] == ' ' || list[pos] == '\t'))
            ++pos;
        if (pos == list.size())
            return true;
        if (list[pos] != ',')
            return false;
        ++pos;
    }
}

// Parses the data after '=' of a value line.
bool ReadData(const std::string& data, RegeditOp* op, std::string* why) {
    std::string trimmed = TrimBlanks(data);
    if (trimmed == "-") {
        op->kind = RegeditOp::kDeleteValue;
        return true;
    }
    op->kind = RegeditOp::kSetValue;
    if (!trimmed.empty() && trimmed[0] == '"') {
        size_t pos = 0;
        op->value.type = RegType::kString;
        if (!ReadQuoted(trimmed, &pos, &op->value.text, why))
            return false;
        if (pos != trimmed.size()) {
            *why = "unexpected text after the closing quote";
            return false;
        }
        return true;
    }
    if (StartsWithNoCaseAscii(trimmed, 0, "dword:")) {
        std::string digits = trimmed.substr(6);
        if (digits.empty() || digits.size() > 8) {
            *why = "dword: needs one to eight hexadecimal digits";
            return false;
        }
        uint32_t number = 0;
        for (char ch : digits) {
            int digit = HexDigit(ch);
            if (digit < 0) {
                *why = "dword: needs one to eight hexadecimal digits";
                return false;
            }
            number = number * 16 + static_cast<uint32_t>(digit);
        }
        op->value.type = RegType::kDword;
        op->value.dword = number;
        return true;
    }
    bool isString = StartsWithNoCaseAscii(trimmed, 0, "hex(1):");
    if (isString || StartsWithNoCaseAscii(trimmed, 0, "hex(4):")) {
        std::string bytes;
        if (!ReadHexBytes(trimmed.substr(7), &bytes)) {
            *why = "malformed hexadecimal byte list";
            return false;
        }
        if (isString) {
            op->value.type = RegType::kString;
            op->value.text = bytes.substr(0, bytes.find('\0'));
            return true;
        }
        if (bytes.size() != 4) {
            *why = "hex(4): needs exactly four bytes";
            return false;
        }
        op->value.type = RegType::kDword;
        op->value.dword = 0;
        for (int i = 3; i >= 0; --i) {
            op->value.dword = op->value.dword * 256 + static_cast<unsigned char>(bytes[i]);
        }
        return true;
    }
    *why = "unsupported value data (expected \"text\", dword:, hex(1):, hex(4): or -)";
    return false;
}

// Parses "[KEY]" or "[-KEY]".
bool ReadSection(const std::string& line, RegeditOp* op, std::string* why) {
    if (line.back() != ']') {
        *why = "a section must end with ]";
        return false;
    }
    std::string path = line.substr(1, line.size() - 2);
    op->kind = RegeditOp::kCreateKey;
    if (!path.empty() && path[0] == '-') {
        op->kind = RegeditOp::kDeleteKey;
        path.erase(0, 1);
    }
    size_t rootLength = std::strlen(kRootName);
    if (!StartsWithNoCaseAscii(path, 0, kRootName) ||
        (path.size() > rootLength && path[rootLength] != '\\')) {
        *why = std::string("only keys under ") + kRootName + " can be imported";
        return false;
    }
    op->key = path.size() > rootLength ? path.substr(rootLength + 1) : std::string();
    if (op->kind == RegeditOp::kDeleteKey && op->key.find_first_not_of('\\') == std::string::npos) {
        *why = std::string("cannot delete ") + kRootName + " itself";
        return false;
    }
    return true;
}

// Parses a "name"=data or @=data line.
bool ReadValueLine(const std::string& line, RegeditOp* op, std::string* why) {
    size_t pos = 0;
    if (line[0] == '@') {
        op->value.name.clear();
        pos = 1;
    } else if (!ReadQuoted(line, &pos, &op->value.name, why)) {
        return false;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size() || line[pos] != '=') {
        *why = "expected = after the value name";
        return false;
    }
    return ReadData(line.substr(pos + 1), op, why);
}

// Whether a value line holds hexadecimal data ending in a backslash.
bool ContinuesOnNextLine(const std::string& line) {
    if (line.back() != '\\')
        return false;
    size_t pos = 0;
    std::string name;
    std::string why;
    if (line[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(line, &pos, &name, &why)) {
        return false;
    }
    std::string data = TrimBlanks(line.substr(pos));
    return !data.empty() && data[0] == '=' &&
           StartsWithNoCaseAscii(TrimBlanks(data.substr(1)), 0, "hex");
}

}  // namespace

std::string FormatRegedit4(const std::vector<RegeditSection>& sections) {
    std::string out = std::string(kHeader) + kEol;
    for (const RegeditSection& section : sections) {
        out += kEol;
        out += "[";
        out += kRootName;
        if (!section.path.empty())
            out += "\\" + section.path;
        out += "]";
        out += kEol;
        for (const RegValue& value : section.values) {
            out += value.name.empty() ? "@" : Quote(value.name);
            out += "=";
            if (value.type == RegType::kDword) {
                char number[16];
                std::snprintf(number, sizeof number, "dword:%08x", value.dword);
                out += number;
            } else {
                out += NeedsHex(value.text) ? HexString(value.text) : Quote(value.text);
            }
            out += kEol;
        }
    }
    return out;
}

bool ParseRegedit4(const std::string& text, std::vector<RegeditOp>* ops, std::string* error) {
    ops->clear();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }

    auto fail = [&](size_t index, const std::string& why) {
        *error = "line " + std::to_string(index + 1) + ": " + why;
        return false;
    };

    bool haveHeader = false;
    bool inKey = false;
    std::string currentKey;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = TrimBlanks(lines[i]);
        size_t first = i;
        if (line.empty() || line[0] == ';')
            continue;
        if (!haveHeader) {
            if (line != kHeader)
                return fail(i, "the file must begin with REGEDIT4");
            haveHeader = true;
            continue;
        }
        if (line[0] == '[') {
            RegeditOp op;
            std::string why;
            if (!ReadSection(line, &op, &why))
                return fail(i, why);
            inKey = op.kind == RegeditOp::kCreateKey;
            currentKey = op.key;
            ops->push_back(std::move(op));
            continue;
        }
        if (line[0] != '"' && line[0] != '@') {
            return fail(i, "expected a [section], a \"name\"= or @= value line, or a ; comment");
        }
        // Hexadecimal lists may continue on following lines after a trailing backslash.
        // Whether the line is a hexadecimal value is decided once; appending only changes
        // its end, so each continuation costs the length of its own line.
        if (ContinuesOnNextLine(line)) {
            while (!line.empty() && line.back() == '\\' && i + 1 < lines.size()) {
                line.pop_back();
                line += TrimBlanks(lines[++i]);
            }
        }
        if (!inKey)
            return fail(first, "a value line must follow a [key] section");
        RegeditOp op;
        op.key = currentKey;
        std::string why;
        if (!ReadValueLine(line, &op, &why))
            return fail(first, why);
        ops->push_back(std::move(op));
    }
    if (!haveHeader) {
        *error = "line 1: the file must begin with REGEDIT4";
        return false;
    }
    return true;
}

}  // namespace kitroster::registry
