// CZRManifestContainer: a manifest in memory (current header, initial header, records).
#pragma once

#include "base/KitrosterExport.h"

#include "catalogue/ZRunknown.h"
#include "sync/manifest/ManifestRecordSet.h"

class IManifestContainer {
  public:
    virtual CManifestHdr GetHeader() const = 0;
    // Sets the current header, and the initial one unless it is locked.
    virtual void SetHeader(const CManifestHdr& header) = 0;
    virtual void LockInitialHeader() = 0;
    virtual CManifestHdr GetInitialHeader() const = 0;
    virtual bool IsInitialHeaderLocked() const = 0;
    // The container's own (writable) record set, shared, not copied.
    virtual NResourceItem::CZRauto_ptr<CZRManifestRecordSet> GetRecordSet() const = 0;
    virtual NResourceItem::CZRauto_ptr<IManifestRecordSetCloner> GetRecordSetCloner() const = 0;

  protected:
    ~IManifestContainer() = default;
};

class KITROSTER_API CZRManifestContainer : public NResourceItem::CZRunknown,
                                           public IManifestContainer {
  public:
    static NResourceItem::CZRauto_ptr<CZRManifestContainer> CreateInstance();

    CManifestHdr GetHeader() const override { return m_header; }
    void SetHeader(const CManifestHdr& header) override;
    void LockInitialHeader() override { m_initialLocked = true; }
    CManifestHdr GetInitialHeader() const override { return m_initialHeader; }
    bool IsInitialHeaderLocked() const override { return m_initialLocked; }
    NResourceItem::CZRauto_ptr<CZRManifestRecordSet> GetRecordSet() const override {
        return m_records;
    }
    NResourceItem::CZRauto_ptr<IManifestRecordSetCloner> GetRecordSetCloner() const override;

  private:
    CZRManifestContainer();

    CManifestHdr m_header;
    CManifestHdr m_initialHeader;
    NResourceItem::CZRauto_ptr<CZRManifestRecordSet> m_records;
    bool m_initialLocked = false;
};
