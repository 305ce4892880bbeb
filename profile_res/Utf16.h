// UTF-16 to UTF-8 conversion for path arguments, without the C++ runtime library.
#pragma once

#include <cstddef>

namespace kitroster::profile {

// A malloc'ed, null-terminated UTF-8 copy of text, released on destruction.
class CUtf8Path {
  public:
    // Converts text. The result is empty (Get() == nullptr) when text is null or empty, holds
    // an unpaired surrogate, or when memory runs out.
    explicit CUtf8Path(const char16_t* text);
    ~CUtf8Path();
    CUtf8Path(const CUtf8Path&) = delete;
    CUtf8Path& operator=(const CUtf8Path&) = delete;

    const char* Get() const { return m_text; }

  private:
    char* m_text = nullptr;
};

}  // namespace kitroster::profile
