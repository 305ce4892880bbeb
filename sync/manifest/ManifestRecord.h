// The two fixed-size blocks of a manifest file: the header and the record.
//
// Both are 281 bytes, packed, little-endian, exactly as the file holds them, so that
// manifests written here and on Windows machines are interchangeable:
//   header: 0 schema GUID (16), 16 format version (4, 0x1002), 20 header text (261)
//   record: 0 record name (261), 261 dword (4), 265 qword1 (8, signed), 273 qword2 (8)
// The texts are NUL-terminated 8-bit text of at most 260 characters; the last byte of a
// text field is always 0.
//
// Thread-safety: value types.
#pragma once

#include "base/KitrosterExport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

constexpr size_t kManifestBlockSize = 281;
constexpr size_t kManifestTextField = 261;
constexpr size_t kManifestQword1Offset = 265;
constexpr uint32_t kManifestFormatVersion = 0x1002;
// {87F49D76-3B5F-4B41-A631-5A5BF7CA9F71} in the in-memory GUID byte order.
extern const uint8_t kManifestSchemaId[16];

class KITROSTER_API CManifestRecord final {
  public:
    // All zero.
    CManifestRecord();
    // From a 281-byte block; the terminating byte of the name is forced to 0. Inline, as
    // the destructor, so that reading a large manifest costs one copy per record and
    // freeing it no pass over the records.
    explicit CManifestRecord(const uint8_t* block) {
        std::memcpy(m_payload, block, sizeof m_payload);
        m_payload[kManifestTextField - 1] = 0;
    }
    CManifestRecord(const std::string& name, uint32_t dword, int64_t qword1, int64_t qword2);
    CManifestRecord(const CManifestRecord& other);
    CManifestRecord& operator=(const CManifestRecord& other);
    virtual ~CManifestRecord() = default;

    void CopyTo(uint8_t* block) const;
    const uint8_t* Payload() const { return m_payload; }

    // The name up to its first NUL.
    std::string GetName() const;
    uint32_t GetDword() const;
    int64_t GetQword1() const;
    int64_t GetQword2() const;
    // A record is valid when qword1 is greater than zero and the name is not empty.
    bool IsValid() const { return IsValidBlock(m_payload); }
    // The same test on a 281-byte block, before a record is made of it.
    static bool IsValidBlock(const uint8_t* block) {
        uint64_t qword1 = 0;
        for (size_t i = 8; i-- > 0;)
            qword1 = qword1 << 8 | block[kManifestQword1Offset + i];
        return static_cast<int64_t>(qword1) > 0 && block[0] != 0;
    }

  private:
    uint8_t m_payload[kManifestBlockSize];
};

class KITROSTER_API CManifestHdr {
  public:
    // All zero (no schema, version 0).
    CManifestHdr();
    // From a 281-byte block; the last byte is forced to 0.
    explicit CManifestHdr(const uint8_t* block);
    // The schema GUID, the current format version and `text` cut to 260 characters.
    explicit CManifestHdr(const char* text);
    CManifestHdr(const CManifestHdr& other);
    CManifestHdr& operator=(const CManifestHdr& other);
    virtual ~CManifestHdr();

    void CopyTo(uint8_t* block) const;
    const uint8_t* Payload() const { return m_payload; }

    std::string GetText() const;
    uint32_t GetFormatVersion() const;
    bool HasSchemaId() const;
    // The schema GUID and the format version 0x1002.
    bool IsManifestHeader() const;

  private:
    uint8_t m_payload[kManifestBlockSize];
};
