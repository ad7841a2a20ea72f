// The login program in-process, through the real PAM library: a fuzzed
// method, content length, session token and body. Accounts come from
// pam_matrix (libpam-wrapper) through a PAM service mounted over /etc/pam.d
// in the fuzzer's own mount namespace. Every reply must be a refusal or one
// well-formed envelope behind the login header; a login that succeeds must
// have written its session file in the session check's format; and no
// password of the accounts may reach the log.
//
// Input: METHOD \n CONTENT_LENGTH \n HTTP_SESSION \n BODY. A variable past
// the input's end is unset; a CONTENT_LENGTH of "*" is the body's size.
#include "fuzz_support.h"

#include "../cgi/login/login.h"
#include "../tools/json.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr char kLoginHeader[] = "Content-Type: application/json\r\nCache-Control: no-store\r\n\r\n";
constexpr char kRefused[] = "Status:403\r\n\r\n";

fuzz::MemoryFd* g_stdin = nullptr;
fuzz::MemoryFd* g_stdout = nullptr;

void emptyDir(char const* path)
{
    DIR* dir = opendir(path);
    if (dir == nullptr)
        return;
    while (dirent const* entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            unlinkat(dirfd(dir), entry->d_name, 0);
    closedir(dir);
}

std::string readText(std::string const& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "r");
    if (file == nullptr)
        return text;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, n);
    fclose(file);
    return text;
}

// A success names its token and privilege, and the session file holds the
// user name (as PAM took it), a time stamp, the privilege line and the token.
void checkSession(cJSON const* group, std::string const& whole)
{
    cJSON const* token = cJSON_GetObjectItemCaseSensitive(group, "token");
    cJSON const* privilege = cJSON_GetObjectItemCaseSensitive(group, "privilege");
    fuzz::require(cJSON_IsString(token) && strlen(token->valuestring) == 32 && cJSON_IsString(privilege),
                  "a token and a privilege", whole);
    std::string const content = readText(std::string("/tmp/session/") + token->valuestring);
    std::string const tail = strcmp(privilege->valuestring, "admin") == 0 ? std::string("\n") : "\nro\n";
    fuzz::require(content.size() > 32 && content.compare(content.size() - 32, 32, token->valuestring) == 0
                      && content.find(tail + token->valuestring) != std::string::npos,
                  "the session file", content);
}

void checkReply(std::string const& out)
{
    if (out == kRefused)
        return;
    fuzz::require(out.rfind(kLoginHeader, 0) == 0, "the login header", out);
    std::string body = out.substr(strlen(kLoginHeader));
    bool const lineEnd = !body.empty() && body.back() == '\n';
    if (lineEnd)
        body.pop_back();
    Json root(cJSON_ParseWithOpts(body.c_str(), nullptr, 1));
    fuzz::require(cJSON_IsObject(root.get()), "one JSON object", out);
    cJSON const* resp = cJSON_GetObjectItemCaseSensitive(root.get(), "resp");
    cJSON const* code = cJSON_GetObjectItemCaseSensitive(resp, "respCode");
    fuzz::require(cJSON_IsNumber(code), "a response code", out);
    if (code->valuedouble != 0 || root->child == resp) {
        fuzz::require(root->child == resp && resp->next == nullptr && lineEnd, "a status-only reply", out);
        return;
    }
    fuzz::require(!lineEnd && strcmp(root->child->string, "login") == 0, "the login group", out);
    checkSession(root->child, out);
}

// Whether the user name sent holds the text: names may be logged, so a
// password's text inside the name is no leak of the password.
bool nameHolds(std::optional<std::string> const& body, char const* text)
{
    if (!body)
        return false;
    Json root(cJSON_ParseWithOpts(body->c_str(), nullptr, 1));
    cJSON const* name = cJSON_GetObjectItem(root.get(), "userName");
    return cJSON_IsString(name) && strstr(name->valuestring, text) != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::usePrivateTmp();
    fuzz::require(mount("tmpfs", "/etc/pam.d", "tmpfs", 0, "mode=0755,size=1m") == 0, "a PAM service of our own",
                  strerror(errno));
    std::string const matrix = PAM_MATRIX_MODULE " passdb=/tmp/passdb\n";
    fuzz::writeText("/etc/pam.d/" MGMT_LOGIN_PAM_SERVICE, "auth required " + matrix + "account required " + matrix);
    fuzz::writeText("/tmp/passdb", "admin:admin-pw:" MGMT_LOGIN_PAM_SERVICE "\nbob:bob-pw:" MGMT_LOGIN_PAM_SERVICE "\n");
    mkdir("/tmp/swsim", 0700);
    // Made before the server starts: the login program never makes them.
    mkdir("/tmp/session", 0700);
    mkdir("/tmp/login-lockout", 0700);
    fuzz::writeText("/tmp/devmgr_log_level", std::string("9\0\0\0", 4));
    setenv("REQUEST_URI", "/api/v2/login", 1);
    unsetenv("SWSIM_FAULTS");
    unsetenv("SWSIM_TRACE");
    g_stdin = new fuzz::MemoryFd(STDIN_FILENO);
    g_stdout = new fuzz::MemoryFd(STDOUT_FILENO);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    auto in = fuzz::fields(data, size, 4);
    for (size_t i = 0; i < 3; ++i)
        fuzz::cutAtNul(in[i]);
    std::optional<std::string> const& body = in[3];
    std::optional<std::string> length = in[1];
    if (length && *length == "*")
        length = std::to_string(body ? body->size() : 0);
    fuzz::setVariable("REQUEST_METHOD", in[0]);
    fuzz::setVariable("CONTENT_LENGTH", length);
    fuzz::setVariable("HTTP_SESSION", in[2]);
    g_stdin->fill(body.value_or(""));

    // Every input starts with no session, no failed login, a fresh switch.
    emptyDir("/tmp/session");
    emptyDir("/tmp/login-lockout");
    fuzz::freshSwitch("/tmp/swsim/state.json");
    unlink("/tmp/brisk.log");

    int const status = serveLogin();
    std::string const out = g_stdout->take();
    fuzz::require(status == 0, "the request is served", out);
    checkReply(out);
    std::string const log = readText("/tmp/brisk.log");
    for (char const* password : { "admin-pw", "bob-pw" })
        fuzz::require(log.find(password) == std::string::npos || nameHolds(body, password), "no password in the log",
                      log);
    return 0;
}
