#include "base/CString.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

// Windows-1252 case tables. Letters with a case pair: ASCII, the Latin-1 block
// (except the multiplication and division signs), and the four extra pairs that
// Windows-1252 places in 0x80-0x9F (S and Z caron, OE ligature, Y diaeresis).
struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    CaseTables() {
        for (int i = 0; i < 256; ++i) {
            upper[i] = lower[i] = static_cast<unsigned char>(i);
        }
        auto pair = [this](int up, int low) {
            upper[low] = static_cast<unsigned char>(up);
            lower[up] = static_cast<unsigned char>(low);
        };
        for (int c = 'A'; c <= 'Z'; ++c)
            pair(c, c + 0x20);
        for (int c = 0xC0; c <= 0xDE; ++c) {
            if (c != 0xD7)
                pair(c, c + 0x20);
        }
        pair(0x8A, 0x9A);
        pair(0x8C, 0x9C);
        pair(0x8E, 0x9E);
        pair(0x9F, 0xFF);
    }
};

const CaseTables& Tables() {
    static const CaseTables tables;
    return tables;
}

constexpr const char* kWhiteSpace = " \t\r\n\v\f";

bool InSet(char ch, const char* set) {
    return set && ch != '\0' && std::strchr(set, ch) != nullptr;
}

int Clamp(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

}  // namespace

CString::CString(const char* text) : m_str(text ? text : "") {}

CString::CString(const char* text, int length) {
    if (text && length > 0)
        m_str.assign(text, static_cast<size_t>(length));
    else if (text && length < 0)
        m_str.assign(text);
}

CString::CString(char ch, int repeat) : m_str(static_cast<size_t>(std::max(repeat, 0)), ch) {}

char CString::GetAt(int index) const {
    return index >= 0 && index < GetLength() ? m_str[static_cast<size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch) {
    if (index >= 0 && index < GetLength())
        m_str[static_cast<size_t>(index)] = ch;
}

CString& CString::operator=(const char* text) {
    m_str = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& other) {
    m_str += other.m_str;
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text)
        m_str += text;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_str + b.m_str);
}
CString operator+(const CString& a, const char* b) {
    return CString(a) += b;
}
CString operator+(const char* a, const CString& b) {
    return CString(a) += b;
}
CString operator+(const CString& a, char b) {
    return CString(a) += b;
}

int CString::Compare(const char* other) const {
    return std::strcmp(m_str.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const {
    const auto& upper = Tables().upper;
    const auto* a = reinterpret_cast<const unsigned char*>(m_str.c_str());
    const auto* b = reinterpret_cast<const unsigned char*>(other ? other : "");
    for (;; ++a, ++b) {
        const int ca = upper[*a];
        const int cb = upper[*b];
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

char CString::ToUpper(char ch) {
    return static_cast<char>(Tables().upper[static_cast<unsigned char>(ch)]);
}
char CString::ToLower(char ch) {
    return static_cast<char>(Tables().lower[static_cast<unsigned char>(ch)]);
}

CString& CString::MakeUpper() {
    for (char& ch : m_str)
        ch = ToUpper(ch);
    return *this;
}

CString& CString::MakeLower() {
    for (char& ch : m_str)
        ch = ToLower(ch);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(char ch) {
    return TrimRight(ch).TrimLeft(ch);
}
CString& CString::Trim(const char* set) {
    return TrimRight(set).TrimLeft(set);
}
CString& CString::TrimLeft() {
    return TrimLeft(kWhiteSpace);
}
CString& CString::TrimRight() {
    return TrimRight(kWhiteSpace);
}

CString& CString::TrimLeft(char ch) {
    const char set[2] = {ch, '\0'};
    return TrimLeft(set);
}

CString& CString::TrimRight(char ch) {
    const char set[2] = {ch, '\0'};
    return TrimRight(set);
}

CString& CString::TrimLeft(const char* set) {
    size_t n = 0;
    while (n < m_str.size() && InSet(m_str[n], set))
        ++n;
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimRight(const char* set) {
    size_t n = m_str.size();
    while (n > 0 && InSet(m_str[n - 1], set))
        --n;
    m_str.resize(n);
    return *this;
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start >= GetLength())
        return -1;
    const size_t pos = m_str.find(ch, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength())
        return -1;
    const size_t pos = m_str.find(sub, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    const size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* set) const {
    if (!set || !*set)
        return -1;
    const size_t pos = m_str.find_first_of(set);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int count) const {
    return CString(m_str.substr(0, static_cast<size_t>(Clamp(count, 0, GetLength()))));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = Clamp(first, 0, GetLength());
    count = Clamp(count, 0, GetLength() - first);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    count = Clamp(count, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(count)));
}

CString CString::SpanIncluding(const char* set) const {
    size_t n = 0;
    while (n < m_str.size() && InSet(m_str[n], set))
        ++n;
    return CString(m_str.substr(0, n));
}

CString CString::SpanExcluding(const char* set) const {
    size_t n = 0;
    while (n < m_str.size() && !InSet(m_str[n], set))
        ++n;
    return CString(m_str.substr(0, n));
}

CString CString::Tokenize(const char* delims, int& start) const {
    if (start < 0)
        return CString();
    size_t pos = static_cast<size_t>(start);
    while (pos < m_str.size() && InSet(m_str[pos], delims))
        ++pos;
    if (pos >= m_str.size()) {
        start = -1;
        return CString();
    }
    size_t end = pos;
    while (end < m_str.size() && !InSet(m_str[end], delims))
        ++end;
    start = static_cast<int>(std::min(end + 1, m_str.size() + 1));
    return CString(m_str.substr(pos, end - pos));
}

int CString::Replace(char from, char to) {
    int count = 0;
    for (char& ch : m_str) {
        if (ch == from) {
            ch = to;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from)
        return 0;
    const std::string needle(from);
    const std::string replacement(to ? to : "");
    int count = 0;
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = m_str.find(needle, pos)) != std::string::npos;
         pos = hit + needle.size()) {
        out.append(m_str, pos, hit - pos).append(replacement);
        ++count;
    }
    if (count) {
        out.append(m_str, pos, std::string::npos);
        m_str = std::move(out);
    }
    return count;
}

int CString::Remove(char ch) {
    const auto before = m_str.size();
    std::erase(m_str, ch);
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int index, char ch) {
    m_str.insert(static_cast<size_t>(Clamp(index, 0, GetLength())), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const char* text) {
    if (text)
        m_str.insert(static_cast<size_t>(Clamp(index, 0, GetLength())), text);
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0 || index >= GetLength() || count <= 0)
        return GetLength();
    m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
    CString tail;
    va_list args;
    va_start(args, format);
    tail.FormatV(format, args);
    va_end(args);
    m_str += tail.m_str;
}

void CString::FormatV(const char* format, va_list args) {
    if (!format) {
        m_str.clear();
        return;
    }
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        m_str.clear();
        return;
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    m_str = std::move(out);
}
