#include <pwd.h>
#include <security/pam_appl.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/logon/Logon.h"

namespace kitroster {

namespace {

struct Conversation {
    const std::string* user;
    const std::string* password;
};

// Answers PAM's prompts: hidden prompts get the password, visible ones the user name;
// messages get empty answers. PAM frees the answers.
int Converse(int count, const struct pam_message** messages, struct pam_response** responses,
             void* data) {
    if (count <= 0)
        return PAM_CONV_ERR;
    auto* conversation = static_cast<Conversation*>(data);
    auto* answers =
        static_cast<pam_response*>(calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (!answers)
        return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const char* text = "";
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF)
            text = conversation->password->c_str();
        else if (messages[i]->msg_style == PAM_PROMPT_ECHO_ON)
            text = conversation->user->c_str();
        answers[i].resp = strdup(text);
        if (!answers[i].resp) {
            for (int j = 0; j < i; ++j)
                free(answers[j].resp);
            free(answers);
            return PAM_BUF_ERR;
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

bool LookUpAccount(const std::string& name, LogonAccount* account) {
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return false;
    account->name = found->pw_name;
    account->uid = found->pw_uid;
    account->gid = found->pw_gid;
    return true;
}

}  // namespace

std::string LocalAccountName(const std::string& user) {
    size_t slash = user.rfind('\\');
    return slash == std::string::npos ? user : user.substr(slash + 1);
}

CPamLogon::CPamLogon(std::string service, std::string confdir)
    : m_service(std::move(service)), m_confdir(std::move(confdir)) {}

bool CPamLogon::LogonUser(const std::string& user, const std::string& password,
                          LogonAccount* account, uint32_t* systemError) {
    *systemError = kErrorLogonFailure;
    const std::string name = LocalAccountName(user);
    if (name.empty())
        return false;
    Conversation conversation{&name, &password};
    struct pam_conv conv = {&Converse, &conversation};
    pam_handle_t* handle = nullptr;
    int rc = pam_start_confdir(m_service.c_str(), name.c_str(), &conv,
                               m_confdir.empty() ? nullptr : m_confdir.c_str(), &handle);
    if (rc != PAM_SUCCESS) {
        if (handle)
            pam_end(handle, rc);
        return false;
    }
    rc = pam_authenticate(handle, PAM_SILENT);
    if (rc == PAM_SUCCESS)
        rc = pam_acct_mgmt(handle, PAM_SILENT);
    pam_end(handle, rc);
    if (rc != PAM_SUCCESS)
        return false;
    if (!LookUpAccount(name, account))
        return false;
    *systemError = 0;
    return true;
}

ILogon& PamLogon() {
    static CPamLogon* logon = new CPamLogon;
    return *logon;
}

}  // namespace kitroster
