// CSyncConfiguratorSet: a record set of configurators (one wrapper per configurator;
// copying a wrapper shares the configurator).
#pragma once

#include "catalogue/ZRunknown.h"
#include "sync/config/SyncConfigurator.h"
#include "sync/manifest/RecordSet.h"

namespace ZRSYNC {

struct SyncConfigWrapper {
    NResourceItem::CZRauto_ptr<ISyncConfigurator> configurator;
};

class CSyncConfiguratorSet : public NResourceItem::CZRunknown,
                             public CZRRecordSet<SyncConfigWrapper> {
  public:
    static NResourceItem::CZRauto_ptr<CSyncConfiguratorSet> CreateInstance() {
        return NResourceItem::CZRauto_ptr<CSyncConfiguratorSet>(new CSyncConfiguratorSet);
    }

  private:
    CSyncConfiguratorSet() = default;
};

}  // namespace ZRSYNC
