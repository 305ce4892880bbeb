// The binary resources built into the profile edition library, looked up the way the host
// product's resource loader does: by type, name and language.
#pragma once

#include <cstddef>

namespace kitroster::profile {

constexpr unsigned short kLanguageKorean = 0x0412;

struct CEmbeddedResource {
    const char16_t* m_type;
    const char16_t* m_name;
    unsigned short m_language;
    const unsigned char* m_data;
    const unsigned char* m_end;  // one past the last byte

    std::size_t Size() const { return static_cast<std::size_t>(m_end - m_data); }
};

// The resource with that type, name and language, or nullptr. Type and name compare without
// regard to the case of ASCII letters. A name pointer below 0x10000 is an integer resource
// id, as on the host platform; the table holds none, so it finds nothing. Thread-safe.
const CEmbeddedResource* FindEmbeddedResource(const char16_t* type, const char16_t* name,
                                              unsigned short language);

}  // namespace kitroster::profile
