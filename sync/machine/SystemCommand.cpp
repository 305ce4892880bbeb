// Running a system command, optionally under the stored share credentials.
#include "platform/app/KitrosterApp.h"
#include "platform/process/CommandLine.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"
#include "sync/machine/MachineServices.h"

namespace ZRSYNC {

namespace {

constexpr const char* kModule = "MachineMgrModelAuthentication";

// The original call copied the command line into a buffer of 512 characters.
constexpr size_t kMaxCommandLine = 511;

uint32_t CodeOf(const kitroster::ProcessOutcome& outcome) {
    return outcome.started ? outcome.exitCode : outcome.systemError;
}

}  // namespace

bool CMachineMgrModel::IsRunningUnderSystemAccount() {
    kitroster::IIdentity& identity = GetKitrosterApp().GetIdentity();
    const std::string user = identity.GetUserName();
    if (user.empty()) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::IsRunningUnderSystemAccount() failed to determine "
                   "username!!!");
        return false;
    }
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CMachineMgrModel::IsRunningUnderSystemAccount() determines username is %s",
               user.c_str());
    return identity.GetUserId() == 0;
}

uint32_t CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(const char* commandLine,
                                                                     bool useCredentials) {
    const MachineServices& services = GetMachineServices();
    const std::string command = commandLine ? commandLine : "";
    // A shortened command line is another command: refuse it rather than cut it.
    if (command.size() > kMaxCommandLine) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() - command line "
                   "of %lu characters refused (at most %lu), nothing run",
                   static_cast<unsigned long>(command.size()),
                   static_cast<unsigned long>(kMaxCommandLine));
        return static_cast<uint32_t>(E_INVALIDARG);
    }
    kitroster::ProcessRequest request;
    request.argv = kitroster::SplitCommandLine(command);
    const bool root = GetKitrosterApp().GetIdentity().GetUserId() == 0;

    bool useDefaultAccount = false;
    uint32_t code = 0;
    for (;;) {
        bool again = false;
        if (useDefaultAccount)
            SetShareCredentialsToDefaultAccount();
        std::string user;
        std::string password;
        GetShareCredentials(&user, &password);

        kitroster::ProcessOutcome outcome;
        bool ranAsUser = false;
        uint32_t refusal = 0;
        if (useCredentials && !user.empty()) {
            kitroster::LogonAccount account;
            uint32_t logonError = 0;
            const std::string logonUser = user.substr(0, 64);
            const std::string logonPassword = password.substr(0, 32);
            // A refused account never falls back to the process's own identity, which
            // would run the command as root.
            if (!services.logon->LogonUser(logonUser, logonPassword, &account, &logonError)) {
                if (logonError == 0)
                    logonError = kitroster::kErrorLogonFailure;
                ZRSYNC_LOG(
                    kModule, ZRLOG_WARNING,
                    "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() - log-on "
                    "as user %s refused (0x%lx) - %s not run",
                    logonUser.c_str(),
                    static_cast<unsigned long>(static_cast<uint32_t>(HResultFromWin32(logonError))),
                    command.c_str());
                refusal = logonError;
            } else if (root) {
                kitroster::ProcessRequest asUser = request;
                asUser.runAs = kitroster::RunAsAccount{account.uid, account.gid, account.name};
                outcome = services.launcher->Run(asUser);
                ranAsUser = true;
                ZRSYNC_LOG(kModule, ZRLOG_INFO,
                           "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() called "
                           "::CreateProcessAsUser(%s) for user %s returned %s",
                           command.c_str(), logonUser.c_str(), outcome.started ? "TRUE" : "FALSE");
            }
        }
        if (!ranAsUser && refusal == 0) {
            outcome = services.launcher->Run(request);
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() called "
                       "::CreateProcess(%s) returned %s",
                       command.c_str(), outcome.started ? "TRUE" : "FALSE");
        }
        code = refusal != 0 ? refusal : CodeOf(outcome);

        if (code == 0) {
            if (useDefaultAccount) {
                ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                           "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() - "
                           "automatically switched to zruser account for net server "
                           "credentials!");
            }
        } else if (useDefaultAccount) {
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() - clearing "
                       "credentials - zruser account did not appear to work for the specified "
                       "server.");
            ClearShareCredentials();
        } else if (useCredentials && user.empty()) {
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() - failed "
                       "(0x%lx) - repeating with zruser credentials...",
                       static_cast<unsigned long>(static_cast<uint32_t>(HResultFromWin32(code))));
            useDefaultAccount = true;
            again = true;
        }
        if (!again)
            break;
    }
    return code;
}

}  // namespace ZRSYNC
