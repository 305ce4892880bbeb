#include "profile_res/ResourceTable.h"

#include <cstdint>

// Start and end of the embedded profile database (ProfileDbBlob.cpp, generated).
extern "C" const unsigned char kitroster_profile_db_begin[];
extern "C" const unsigned char kitroster_profile_db_end[];

namespace kitroster::profile {

namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(const char16_t* a, const char16_t* b) {
    for (; *a != 0 && *b != 0; ++a, ++b) {
        if (FoldAscii(*a) != FoldAscii(*b)) {
            return false;
        }
    }
    return *a == *b;
}

bool IsIntegerId(const char16_t* name) {
    return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

// Address constants only, so the table needs no run-time initialisation.
const CEmbeddedResource kTable[] = {
    {u"BINARY", u"PROFILE", kLanguageKorean, kitroster_profile_db_begin, kitroster_profile_db_end},
};

}  // namespace

const CEmbeddedResource* FindEmbeddedResource(const char16_t* type, const char16_t* name,
                                              unsigned short language) {
    if (IsIntegerId(type) || IsIntegerId(name)) {
        return nullptr;
    }
    for (const CEmbeddedResource& resource : kTable) {
        if (resource.m_language == language && SameName(resource.m_type, type) &&
            SameName(resource.m_name, name)) {
            return &resource;
        }
    }
    return nullptr;
}

}  // namespace kitroster::profile
