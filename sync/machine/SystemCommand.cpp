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
    // The buffer of the original call held 512 characters.
    const std::string command = std::string(commandLine ? commandLine : "").substr(0, 511);
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
        if (useCredentials && !user.empty()) {
            kitroster::LogonAccount account;
            uint32_t logonError = 0;
            const std::string logonUser = user.substr(0, 64);
            const std::string logonPassword = password.substr(0, 32);
            if (services.logon->LogonUser(logonUser, logonPassword, &account, &logonError) &&
                root) {
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
        if (!ranAsUser) {
            outcome = services.launcher->Run(request);
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion() called "
                       "::CreateProcess(%s) returned %s",
                       command.c_str(), outcome.started ? "TRUE" : "FALSE");
        }
        code = CodeOf(outcome);

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
