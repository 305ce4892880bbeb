#include "sync/manifest/ManifestRecordSet.h"

using NResourceItem::CZRauto_ptr;

CZRauto_ptr<CZRManifestRecordSet> CZRManifestRecordSet::CreateInstance(bool readOnly) {
    return CZRauto_ptr<CZRManifestRecordSet>(new CZRManifestRecordSet(readOnly));
}

CZRauto_ptr<IZRRecordSet<CManifestRecord>> CZRManifestRecordSet::CloneReadOnly() const {
    return _clone(true);
}

CZRauto_ptr<IZRRecordSet<CManifestRecord>> CZRManifestRecordSet::CloneWritable() const {
    return _clone(false);
}

CZRauto_ptr<IZRRecordSet<CManifestRecord>> CZRManifestRecordSet::_clone(bool readOnly) const {
    CZRauto_ptr<CZRManifestRecordSet> copy = CreateInstance(readOnly);
    copy->_items() = _items();
    copy->MoveFirst();
    return CZRauto_ptr<IZRRecordSet<CManifestRecord>>(copy.get());
}
