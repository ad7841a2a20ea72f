// The password check through PAM: the service's modules decide, whatever
// they are on this machine (the system's accounts, a directory, a test
// database). The password reaches PAM only through the conversation.
#include "login.h"

#include "../../tools/log.h"

#include <security/pam_appl.h>

#include <cstdlib>
#include <cstring>

namespace {

struct Conversation {
    char const* userName;
    char const* password;
};

void dropReplies(pam_response* replies, int count)
{
    for (int i = 0; i < count; ++i) {
        if (replies[i].resp != nullptr) {
            explicit_bzero(replies[i].resp, strlen(replies[i].resp));
            free(replies[i].resp);
        }
    }
    free(replies);
}

// Hidden prompts get the password, echoed ones the user name; messages need
// no answer. PAM frees the replies.
int converse(int count, pam_message const** messages, pam_response** replies, void* data)
{
    if (count <= 0 || count > PAM_MAX_NUM_MSG || messages == nullptr || replies == nullptr || data == nullptr)
        return PAM_CONV_ERR;
    auto const* conversation = static_cast<Conversation const*>(data);
    auto* answers = static_cast<pam_response*>(calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (answers == nullptr)
        return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        char const* answer = nullptr;
        switch (messages[i]->msg_style) {
        case PAM_PROMPT_ECHO_OFF: answer = conversation->password; break;
        case PAM_PROMPT_ECHO_ON: answer = conversation->userName; break;
        case PAM_ERROR_MSG:
        case PAM_TEXT_INFO: break;
        default: dropReplies(answers, i); return PAM_CONV_ERR;
        }
        if (answer != nullptr) {
            answers[i].resp = strdup(answer);
            if (answers[i].resp == nullptr) {
                dropReplies(answers, i);
                return PAM_BUF_ERR;
            }
        }
    }
    *replies = answers;
    return PAM_SUCCESS;
}

bool pamFailed(int result)
{
    switch (result) {
    case PAM_AUTHINFO_UNAVAIL:
    case PAM_SYSTEM_ERR:
    case PAM_BUF_ERR:
    case PAM_CONV_ERR:
    case PAM_ABORT:
    case PAM_SERVICE_ERR:
    case PAM_OPEN_ERR:
    case PAM_SYMBOL_ERR: return true;
    default: return false;
    }
}

} // namespace

PamVerdict pamCheck(char const* service, char const* userName, char const* password, char const* remoteHost)
{
    Conversation conversation { userName, password };
    pam_conv conv { converse, &conversation };
    pam_handle_t* handle = nullptr;
    int result = pam_start(service, userName, &conv, &handle);
    if (result != PAM_SUCCESS) {
        DEVMGR_LOG(3, "PAM service %s could not start (%d)\n", service, result);
        return PamVerdict::kUnavailable;
    }
    if (remoteHost != nullptr && *remoteHost != '\0')
        pam_set_item(handle, PAM_RHOST, remoteHost);

    // An account without a password never logs in over the network.
    result = pam_authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    PamVerdict verdict = PamVerdict::kRefused;
    if (result == PAM_SUCCESS) {
        result = pam_acct_mgmt(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
        if (result == PAM_SUCCESS)
            verdict = PamVerdict::kAccepted;
        else if (result == PAM_NEW_AUTHTOK_REQD)
            verdict = PamVerdict::kPasswordExpired;
    }
    if (verdict == PamVerdict::kRefused && pamFailed(result)) {
        DEVMGR_LOG(3, "PAM service %s failed: %s\n", service, pam_strerror(handle, result));
        verdict = PamVerdict::kUnavailable;
    }
    pam_end(handle, result);
    return verdict;
}
