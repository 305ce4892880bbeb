// CString: the 8-bit text type of the system.
//
// Identifiers, types, names and property strings are 8-bit text in the system code
// page, Windows-1252. This class offers the subset of the familiar MFC string that the
// catalogue needs, with the same semantics:
//   - indices are zero-based byte positions; out-of-range arguments are clamped, never
//     undefined (Left(-1) is empty, Mid(100) past the end is empty);
//   - Find and friends return -1 when nothing is found;
//   - MakeUpper/MakeLower and CompareNoCase follow Windows-1252 for every byte, so
//     0xE9 upper-cases to 0xC9 and 0xFF upper-cases to 0x9F;
//   - the Trim family without arguments removes white space (blank, tab, CR, LF, VT, FF);
//     with a character or a set, exactly those bytes;
//   - comparisons (==, <, Compare) are byte comparisons, as strcmp.
// The text may hold any byte except NUL at the C-string boundary: GetString() stops at
// the first NUL like every C consumer would, while GetLength() counts all bytes.
//
// Thread-safety: a value type; distinct objects may be used from different threads.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "base/KitrosterExport.h"

class KITROSTER_COMMON_API CString {
  public:
    CString() = default;
    CString(const char* text);  // NOLINT: implicit like the original; null gives empty text
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    CString(std::string_view text) : m_str(text) {}          // NOLINT
    CString(const std::string& text) : m_str(text) {}        // NOLINT
    CString(std::string&& text) : m_str(std::move(text)) {}  // NOLINT

    // Size and raw access.
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int index) const;     // NUL when out of range
    void SetAt(int index, char ch);  // ignored when out of range
    char operator[](int index) const { return GetAt(index); }
    const char* GetString() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }  // NOLINT: LPCSTR conversion
    const std::string& str() const { return m_str; }

    // Concatenation.
    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);
    friend KITROSTER_COMMON_API CString operator+(const CString& a, const CString& b);
    friend KITROSTER_COMMON_API CString operator+(const CString& a, const char* b);
    friend KITROSTER_COMMON_API CString operator+(const char* a, const CString& b);
    friend KITROSTER_COMMON_API CString operator+(const CString& a, char b);

    // Comparison: byte order, or Windows-1252 case-insensitive.
    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend auto operator<=>(const CString& a, const CString& b) { return a.m_str <=> b.m_str; }

    // Case mapping (Windows-1252).
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    static char ToUpper(char ch);
    static char ToLower(char ch);

    // Trimming. Without an argument: white space.
    CString& Trim();
    CString& Trim(char ch);
    CString& Trim(const char* set);
    CString& TrimLeft();
    CString& TrimLeft(char ch);
    CString& TrimLeft(const char* set);
    CString& TrimRight();
    CString& TrimRight(char ch);
    CString& TrimRight(const char* set);

    // Searching. Results are positions, -1 when absent.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    // Extraction.
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;
    // Next token delimited by any byte of `delims`, starting at `start`; empty tokens are
    // skipped. At the end returns empty text and sets `start` to -1.
    CString Tokenize(const char* delims, int& start) const;

    // Editing. Replace, Remove and Delete return the number of bytes or occurrences
    // affected; Insert returns the new length.
    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Remove(char ch);
    int Insert(int index, char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);

    // printf-style formatting.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);

  private:
    std::string m_str;
};

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::string>{}(s.str()); }
};
