// Network time synchronisation: setting this machine's clock from a time server, with a
// period that adapts to how much the clock drifts, and switching between it and the
// system's own time service.
//
// The Windows commands of the original design have Linux equivalents kept as registry
// strings under "Software\Corvent\ZRSync\TimeCommands" (see SyncRegistry.h):
//   "SetTimeCommand"          chronyd -q "server %s iburst"   (net time \\%s /SET /Y)
//   "StopTimeServiceCommand"  timedatectl set-ntp false       (net stop W32Time)
//   "StartTimeServiceCommand" timedatectl set-ntp true        (net start W32Time)
// The server is substituted for the first "%s" of the set-time command as plain text
// (never as a printf format), and only after it has passed the host-name grammar check;
// a server that does not pass is refused and logged, and nothing runs.
#pragma once

#include "base/KitrosterExport.h"

#include <functional>
#include <string>

#include "catalogue/ZRunknown.h"
#include "sync/SyncResult.h"
#include "sync/time/SyncTimeState.h"

namespace ZRSYNC {

// Receives the text of every event-log entry a synchronisation makes, in place of the
// system's event log.
using EventLogObserver = std::function<void(const std::string& text)>;

// One synchronisation with `server`. `state` may be null. Event-log entries go to
// `observer` when one is given, otherwise to the system's event log. Returns 0 on success,
// 1 when nothing was done (unreachable server, synchronisation stopped), 0x80070057 for
// this machine or an invalid host name as the server, or the command's failure as an
// HRESULT.
KITROSTER_API HRESULT SynchronizeTimeWithServer(const std::string& server, SyncTimeState* state,
                                                bool useCredentials,
                                                const EventLogObserver& observer = {});

// The text of a clock step in milliseconds: ">24 hours", "%3.1lf hours", "%3.1lf minutes",
// "%3.1lf seconds" or "%ld milliseconds".
KITROSTER_API std::string FormatClockStep(int64_t milliseconds);

// Switches network time synchronisation on (the system's time service off) or off (the
// system's time service restarted). Enabling is refused when the time server is this
// machine.
KITROSTER_API void ConfigureForNetworkTimeSync(bool enable);
void DisableW32Time(bool disable);

class ISyncTimeAdjust {
  public:
    virtual HRESULT Synchronize() = 0;
    // The period in milliseconds, at least 30000; "never" is 0xFFFFFFFF.
    virtual uint32_t GetPeriodMs() const = 0;
    virtual bool IsEnabled() const = 0;
    virtual std::string GetServer() const = 0;
    virtual SyncTimeState GetState() const = 0;

  protected:
    ~ISyncTimeAdjust() = default;
};

// Runs SynchronizeTimeWithServer on the process-wide state. The set-time command runs as
// the process itself (the service): setting the clock needs its rights, and the share
// credentials serve share access only.
class KITROSTER_API CSyncTimeAdjust : public NResourceItem::CZRunknown, public ISyncTimeAdjust {
  public:
    // The synchronisation service's instance: when network time sync is enabled, the
    // system's time service is stopped first.
    static NResourceItem::CZRauto_ptr<CSyncTimeAdjust> CreateInstance();
    // An instance for reading the settings and state: it leaves the system's time service
    // and the settings as they are.
    static NResourceItem::CZRauto_ptr<CSyncTimeAdjust> CreateForReading();

    HRESULT Synchronize() override;
    uint32_t GetPeriodMs() const override;
    bool IsEnabled() const override;
    std::string GetServer() const override;
    SyncTimeState GetState() const override;

  private:
    explicit CSyncTimeAdjust(bool takeOverTimeService);
};

}  // namespace ZRSYNC
