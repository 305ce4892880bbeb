#include "sync/manifest/ManifestRecord.h"

#include <cstring>

const uint8_t kManifestSchemaId[16] = {0x76, 0x9D, 0xF4, 0x87, 0x5F, 0x3B, 0x41, 0x4B,
                                       0xA6, 0x31, 0x5A, 0x5B, 0xF7, 0xCA, 0x9F, 0x71};

namespace {

constexpr size_t kDwordOffset = 261;
constexpr size_t kQword2Offset = 273;
constexpr size_t kVersionOffset = 16;
constexpr size_t kHeaderTextOffset = 20;

template <class T>
T ReadLittleEndian(const uint8_t* at) {
    uint64_t value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<uint64_t>(at[i]) << (8 * i);
    return static_cast<T>(value);
}

template <class T>
void WriteLittleEndian(uint8_t* at, T value) {
    uint64_t bits = static_cast<uint64_t>(value);
    for (size_t i = 0; i < sizeof(T); ++i)
        at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// Copies `text` into a text field: at most 260 characters, zero-filled, last byte 0.
void StoreText(uint8_t* field, const char* text) {
    std::memset(field, 0, kManifestTextField);
    if (text)
        std::memcpy(field, text, strnlen(text, kManifestTextField - 1));
}

std::string LoadText(const uint8_t* field) {
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, kManifestTextField));
}

}  // namespace

CManifestRecord::CManifestRecord() {
    std::memset(m_payload, 0, sizeof m_payload);
}

CManifestRecord::CManifestRecord(const std::string& name, uint32_t dword, int64_t qword1,
                                 int64_t qword2) {
    std::memset(m_payload, 0, sizeof m_payload);
    StoreText(m_payload, name.c_str());
    WriteLittleEndian(m_payload + kDwordOffset, dword);
    WriteLittleEndian(m_payload + kManifestQword1Offset, qword1);
    WriteLittleEndian(m_payload + kQword2Offset, qword2);
}

CManifestRecord::CManifestRecord(const CManifestRecord& other) {
    std::memcpy(m_payload, other.m_payload, sizeof m_payload);
    m_payload[kManifestTextField - 1] = 0;
}

CManifestRecord& CManifestRecord::operator=(const CManifestRecord& other) {
    std::memcpy(m_payload, other.m_payload, sizeof m_payload);
    m_payload[kManifestTextField - 1] = 0;
    return *this;
}

void CManifestRecord::CopyTo(uint8_t* block) const {
    std::memcpy(block, m_payload, sizeof m_payload);
}

std::string CManifestRecord::GetName() const {
    return LoadText(m_payload);
}
uint32_t CManifestRecord::GetDword() const {
    return ReadLittleEndian<uint32_t>(m_payload + kDwordOffset);
}
int64_t CManifestRecord::GetQword1() const {
    return ReadLittleEndian<int64_t>(m_payload + kManifestQword1Offset);
}
int64_t CManifestRecord::GetQword2() const {
    return ReadLittleEndian<int64_t>(m_payload + kQword2Offset);
}

CManifestHdr::CManifestHdr() {
    std::memset(m_payload, 0, sizeof m_payload);
}

CManifestHdr::CManifestHdr(const uint8_t* block) {
    std::memcpy(m_payload, block, sizeof m_payload);
    m_payload[kManifestBlockSize - 1] = 0;
}

CManifestHdr::CManifestHdr(const char* text) {
    std::memset(m_payload, 0, sizeof m_payload);
    std::memcpy(m_payload, kManifestSchemaId, sizeof kManifestSchemaId);
    WriteLittleEndian(m_payload + kVersionOffset, kManifestFormatVersion);
    StoreText(m_payload + kHeaderTextOffset, text);
}

CManifestHdr::CManifestHdr(const CManifestHdr& other) {
    std::memcpy(m_payload, other.m_payload, sizeof m_payload);
}

CManifestHdr& CManifestHdr::operator=(const CManifestHdr& other) {
    std::memcpy(m_payload, other.m_payload, sizeof m_payload);
    return *this;
}

CManifestHdr::~CManifestHdr() = default;

void CManifestHdr::CopyTo(uint8_t* block) const {
    std::memcpy(block, m_payload, sizeof m_payload);
}

std::string CManifestHdr::GetText() const {
    return LoadText(m_payload + kHeaderTextOffset);
}
uint32_t CManifestHdr::GetFormatVersion() const {
    return ReadLittleEndian<uint32_t>(m_payload + kVersionOffset);
}
bool CManifestHdr::HasSchemaId() const {
    return std::memcmp(m_payload, kManifestSchemaId, sizeof kManifestSchemaId) == 0;
}
bool CManifestHdr::IsManifestHeader() const {
    return HasSchemaId() && GetFormatVersion() == kManifestFormatVersion;
}
