// CMachineMgrModel: the machine operations of the synchronisation service: whether the
// process runs as the system account (root here), running a command under the stored
// share credentials, and testing access to the common settings share.
//
// Settings come from the registry catalogue (SyncRegistry.h); files, clocks and
// identity from the application object; processes, log-on and impersonation from
// MachineServices.
// Thread-safety: the operations keep no state of their own; they may change the stored
// credentials (see ExecuteASystemCommandAndWaitForCompletion).
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>
#include <string>

#include "sync/SyncResult.h"

namespace ZRSYNC {

class KITROSTER_API CMachineMgrModel {
  public:
    // The share test's flags.
    static constexpr uint32_t kTestProbeFile1 = 0x1;
    static constexpr uint32_t kTestProbeFile2 = 0x2;
    static constexpr uint32_t kTestClock = 0x4;
    static constexpr uint32_t kTestRegistry = 0x8;
    static constexpr const char* kProbeFile1 = "5C3F9A6F-C1CE-34c9-8DED-3086F123CF26.txt";
    static constexpr const char* kProbeFile2 = "6C2F9A6F-B1CE-44c9-9DED-4086F123CF26.txt";

    // True when the process runs as root (uid 0), the system account of this platform.
    static bool IsRunningUnderSystemAccount();

    // Runs `commandLine` (split by the Windows quoting rules, started without a shell, in
    // "/") and waits for it. A command line longer than 511 characters is refused with
    // 0x80070057 (E_INVALIDARG) and nothing runs. With `useCredentials` and a stored share
    // user, logs on as that user (PAM) and, when the process is root, runs the command as
    // that account; a process that is not root runs it as its own user. A refused log-on
    // runs nothing and returns the log-on's system error: the command never falls back to
    // the process's own identity. With `useCredentials` and no stored user, a failing
    // command is run once more with the default account "zruser", whose credentials are
    // kept when that works and cleared when it fails too.
    // Returns the command's exit code, or the system error when it could not be started.
    static uint32_t ExecuteASystemCommandAndWaitForCompletion(const char* commandLine,
                                                              bool useCredentials);

    // Tests, as the stored share credentials, what `flags` asks for (kTest...). A share
    // user without a local account cannot be impersonated: the tests then run as the
    // process's own user, and a warning (0x04) says so. Returns 0
    // when every requested test passed; 0x8004100A when "CommonSettingsUncRoot" is not a
    // UNC path; 0x8004100D when its server is this machine; 0x3EB when the server clock
    // is outside the thresholds; otherwise the first failing step's result (a clock check
    // that could not write its probe gives its error; the registry test gives the store's
    // system error, or 0x80070005 when the store answered with another value).
    HRESULT TestCommonSettingsUncRootAccess(uint32_t flags);
};

// The text of a clock offset in whole units: "%ld hour(s)", "%ld minute(s)" or
// "%ld second(s)" for the largest unit of which the offset holds at least one, the number
// being the absolute value and the singular word used exactly for 1.
KITROSTER_API std::string FormatClockOffset(int64_t seconds);

}  // namespace ZRSYNC
