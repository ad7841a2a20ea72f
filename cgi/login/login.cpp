// The login program's one pass: a POST logs in, a DELETE logs out, any other
// method is not served here.
#include "login.h"

#include "../../tools/common/response.h"
#include "../../tools/common/rpc_client.h"
#include "../../tools/log.h"
#include "../../tools/own_files.h"
#include "../../tools/sw_calls_access.h"

#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The reply carries a token: no cache keeps it.
constexpr char kJsonHeader[] = "Content-Type: application/json\r\nCache-Control: no-store\r\n\r\n";

// The group that may read the accounts' passwords, when this program was
// started with it (set-group-ID): taken only while PAM runs, and given up
// for good once PAM is done, or when the request ends without it.
struct PasswordGroup {
    gid_t const saved = getegid();
    PasswordGroup()
    {
        if (setegid(getgid()) != 0)
            DEVMGR_LOG(3, "Could not drop the group of the program\n");
    }
    PasswordGroup(PasswordGroup const&) = delete;
    PasswordGroup& operator=(PasswordGroup const&) = delete;
    ~PasswordGroup() { giveUp(); }
    void take() const
    {
        if (setegid(saved) != 0)
            DEVMGR_LOG(3, "Could not take the group of the program\n");
    }
    void giveUp() const
    {
        gid_t const own = getgid();
        if (setresgid(own, own, own) != 0)
            DEVMGR_LOG(3, "Could not drop the group of the program\n");
    }
};

// The switch's web settings: 0 and the session limit when logins are open,
// otherwise the code to answer.
int32_t webSettings(uint32_t& maxSessions)
{
    uint32_t mode = 0;
    int result = rpcclt_openapiSwDevCtrlWebMgmtModeGet(&clientHandle, &mode);
    if (result != 0)
        return openResultToRespCode(result);
    if (mode != 1) {
        DEVMGR_LOG(4, "Login refused: web management is disabled\n");
        return kRespPermissionDenied;
    }
    maxSessions = 0;
    return openResultToRespCode(rpcclt_openapiCliWebHttpNumSessionsGet(&clientHandle, &maxSessions));
}

// After the password was accepted: a new session, if the limit allows one.
int32_t openSession(int sessionDir, Credentials const& credentials, uint32_t maxSessions)
{
    Privilege const privilege = privilegeOf(credentials.userName, MGMT_LOGIN_RW_GROUP);
    long const now = bootUptime();
    // Counted and created under one lock on the directory, so that logins at
    // once cannot pass the limit together.
    if (now < 0 || lockWaiting(sessionDir, LOCK_EX) != 0) {
        DEVMGR_LOG(3, "Session directory lock failed\n");
        return kRespGeneralFailed;
    }
    OpenSessions const open = countOpenSessions(sessionDir, now);
    if (open.total >= maxSessions) {
        DEVMGR_LOG(4, "Login of user %s refused: %u sessions open, the limit is %u\n", credentials.userName,
                   open.total, maxSessions);
        return kRespPermissionDenied;
    }
    // The last place is kept for admin: other users, however many sessions
    // they open, never keep admin from logging in.
    if (privilege != Privilege::kAdmin && open.others + 1 >= maxSessions) {
        DEVMGR_LOG(4, "Login of user %s refused: %u sessions of other users than admin open, the limit is %u\n",
                   credentials.userName, open.others, maxSessions - 1);
        return kRespPermissionDenied;
    }
    char token[33];
    int created = EEXIST;
    for (int attempt = 0; attempt < 4 && created == EEXIST; ++attempt)
        created = newToken(token) ? createSession(sessionDir, token, credentials.userName, privilege, now) : -1;
    if (created != 0) {
        DEVMGR_LOG(3, "Session file could not be created\n");
        return kRespGeneralFailed;
    }
    DEVMGR_LOG(6, "User %s logged in (%s)\n", credentials.userName, privilegeName(privilege));
    Json data(cJSON_CreateObject());
    jsonAdd(data.get(), "token", Json(cJSON_CreateString(token)));
    jsonAdd(data.get(), "privilege", Json(cJSON_CreateString(privilegeName(privilege))));
    explicit_bzero(token, sizeof token);
    replyWithData(kRespSuccess, "login", std::move(data));
    return kRespSuccess;
}

// The login itself, once the switch's settings allow it; 0 when it has
// answered with the new session, otherwise the code to answer.
int32_t logIn(PasswordGroup const& passwordGroup, uint32_t maxSessions)
{
    Credentials credentials;
    if (readCredentials(credentials) != kRespSuccess)
        return kRespInvalidArgument;
    OwnedFd const lockoutDir { openOwnedDir(kLoginLockoutDir) };
    OwnedFd const sessionDir { openOwnedDir(kLoginSessionDir) };
    if (lockoutDir.fd < 0 || sessionDir.fd < 0) {
        DEVMGR_LOG(3, "Login directories %s and %s unusable\n", kLoginLockoutDir, kLoginSessionDir);
        return kRespGeneralFailed;
    }
    // Held until the login is decided, so that every attempt on the account
    // counts, however many run at once.
    OwnedFd const lockout { lockoutOpen(lockoutDir.fd, credentials.userName) };
    long now = bootUptime();
    if (lockout.fd < 0 || now < 0) {
        DEVMGR_LOG(3, "Lockout file of user %s unusable\n", credentials.userName);
        return kRespGeneralFailed;
    }
    lockoutSweep(lockoutDir.fd, now);
    LockoutState state = lockoutRead(lockout.fd, now);
    if (lockoutActive(state, now)) {
        DEVMGR_LOG(4, "Login of user %s refused: locked out for %ld s more\n", credentials.userName,
                   state.lockedUntil - now);
        return kRespLockedOut;
    }
    // The attempt counts as a failure before PAM is asked, and is forgotten
    // only when PAM accepts it: a process ended in between (the client hung
    // up, the web server sent a signal) has counted. An attempt that cannot
    // be counted is not made.
    lockoutFail(state, now);
    if (!lockoutWrite(lockout.fd, state)) {
        DEVMGR_LOG(3, "Login of user %s refused: the attempt could not be recorded\n", credentials.userName);
        return kRespGeneralFailed;
    }

    passwordGroup.take();
    PamVerdict const verdict = pamCheck(MGMT_LOGIN_PAM_SERVICE, credentials.userName, credentials.password,
                                        getenv("REMOTE_ADDR"));
    passwordGroup.giveUp();
    explicit_bzero(credentials.password, sizeof credentials.password);

    now = bootUptime();
    if (verdict == PamVerdict::kRefused || verdict == PamVerdict::kUnavailable) {
        DEVMGR_LOG(4, "Login of user %s failed%s\n", credentials.userName,
                   lockoutActive(state, now) ? ": locked out for 5 minutes" : "");
        return kRespLoginIncorrect;
    }
    lockoutForget(lockoutDir.fd, credentials.userName, lockout.fd);
    if (verdict == PamVerdict::kPasswordExpired) {
        DEVMGR_LOG(4, "Login of user %s refused: the password must be changed\n", credentials.userName);
        return kRespChangePassword;
    }
    return openSession(sessionDir.fd, credentials, maxSessions);
}

int serveLogIn(PasswordGroup const& passwordGroup)
{
    if (initHandler("login_v2.cgi", &clientHandle) < 0)
        return 255;
    fputs(kJsonHeader, stdout);
    uint32_t maxSessions = 0;
    int32_t code = webSettings(maxSessions);
    if (code == kRespSuccess)
        code = logIn(passwordGroup, maxSessions);
    if (code != kRespSuccess)
        replyStatusOnly(code);
    openapiClientTearDown(&clientHandle);
    return 0;
}

// A token that names no session is refused as the management program
// refuses one.
void serveLogOut()
{
    OwnedFd const sessionDir { openOwnedDir(kLoginSessionDir) };
    if (sessionDir.fd < 0 || !removeSession(sessionDir.fd, getenv("HTTP_SESSION"))) {
        DEVMGR_LOG(3, "403 Forbidden\n");
        fputs("Status:403\r\n\r\n", stdout);
        return;
    }
    DEVMGR_LOG(6, "Session closed\n");
    fputs(kJsonHeader, stdout);
    replyStatusOnly(kRespSuccess);
}

} // namespace

bool runByServerAccount()
{
    uid_t const real = getuid();
    if (real == 0)
        return true;
    char path[PATH_MAX];
    ssize_t const n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        fputs("login_v2.cgi: refused: its own place is unknown\n", stderr);
        return false;
    }
    path[n] = '\0';
    char* const slash = strrchr(path, '/');
    if (slash != nullptr)
        *(slash == path ? slash + 1 : slash) = '\0';
    struct stat st {};
    if (slash == nullptr || stat(path, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != real) {
        fprintf(stderr, "login_v2.cgi: refused: run by user %u, not by the owner of %s\n", static_cast<unsigned>(real),
                path);
        return false;
    }
    return true;
}

int serveLogin()
{
    PasswordGroup const passwordGroup;
    // Before anything is read or any password checked.
    if (!runByServerAccount()) {
        fputs("Status:403\r\n\r\n", stdout);
        return 1;
    }
    wipeJsonOnFree();
    devmgrLogOpen(LOG_MODE_FILE, 8, "orla_cgi");
    char const* method = getenv("REQUEST_METHOD");
    int status = 0;
    if (method != nullptr && strcasecmp(method, "POST") == 0) {
        status = serveLogIn(passwordGroup);
    } else if (method != nullptr && strcasecmp(method, "DELETE") == 0) {
        serveLogOut();
    } else {
        fputs(kJsonHeader, stdout);
        replyStatusOnly(kRespMethodNotSupported);
    }
    devmgrLogClose();
    return status;
}
