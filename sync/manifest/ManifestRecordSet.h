// CZRManifestRecordSet: the records of a manifest, as a component.
#pragma once

#include "base/KitrosterExport.h"

#include "catalogue/ZRunknown.h"
#include "sync/manifest/ManifestRecord.h"
#include "sync/manifest/RecordSet.h"

class CZRManifestRecordSet;

// Copies of a set's records in the same order, cursor on the first record.
class IManifestRecordSetCloner {
  public:
    virtual NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> CloneReadOnly() const = 0;
    virtual NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> CloneWritable() const = 0;

  protected:
    ~IManifestRecordSetCloner() = default;
};

class KITROSTER_API CZRManifestRecordSet : public NResourceItem::CZRunknown,
                                           public CZRRecordSet<CManifestRecord>,
                                           public IManifestRecordSetCloner {
  public:
    static NResourceItem::CZRauto_ptr<CZRManifestRecordSet> CreateInstance(bool readOnly = false);

    NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> CloneReadOnly() const override;
    NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> CloneWritable() const override;

    // For the reader and writer: appending records without moving the cursor, and the
    // records in order, without a copy each.
    void AppendRecord(const uint8_t* block) { _items().emplace_back(block); }
    void ReserveRecords(size_t count) { _items().reserve(count); }
    const std::vector<CManifestRecord>& Records() const { return _items(); }

  private:
    explicit CZRManifestRecordSet(bool readOnly) : CZRRecordSet<CManifestRecord>(readOnly) {}
    NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> _clone(bool readOnly) const;
};
