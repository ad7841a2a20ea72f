// The whole request in-process: the program's entry pass with a fuzzed
// method, URL, query string, content length and body, through dispatch with
// an admin session, the handler and the stand-in. Every reply must be one
// well-formed envelope behind the right header.
//
// Input: METHOD \n URI \n QUERY_STRING \n CONTENT_LENGTH \n BODY. A variable
// past the input's end is unset; a CONTENT_LENGTH of "*" is the body's size.
#include "fuzz_support.h"

#include "../cgi/onboard/entry.h"
#include "../tools/json.h"

#include <sys/stat.h>

namespace {

constexpr char kToken[] = "admin-token";
constexpr char kSessionPath[] = "/tmp/session/admin-token";
constexpr char kStatePath[] = "/tmp/swsim/state.json";
constexpr char kTracePath[] = "/tmp/swsim/trace.jsonl";
constexpr char kJsonHeader[] = "Content-Type: application/json\r\n\r\n";

fuzz::MemoryFd* g_stdin = nullptr;
fuzz::MemoryFd* g_stdout = nullptr;

// The envelope: an object whose last member is "resp" with its code, its
// message and a status that agrees with the code.
void checkEnvelope(std::string const& text, std::string const& whole)
{
    Json root(cJSON_ParseWithOpts(text.c_str(), nullptr, 1));
    fuzz::require(cJSON_IsObject(root.get()), "the reply is one JSON object", whole);
    cJSON const* resp = root->child;
    while (resp != nullptr && resp->next != nullptr)
        resp = resp->next;
    fuzz::require(resp != nullptr && resp->string != nullptr && strcmp(resp->string, "resp") == 0
                      && cJSON_IsObject(resp),
                  "the reply ends with its resp object", whole);
    cJSON const* code = cJSON_GetObjectItemCaseSensitive(resp, "respCode");
    cJSON const* message = cJSON_GetObjectItemCaseSensitive(resp, "respMsg");
    cJSON const* status = cJSON_GetObjectItemCaseSensitive(resp, "status");
    fuzz::require(cJSON_IsNumber(code) && cJSON_IsString(message) && cJSON_IsString(status), "resp members", whole);
    bool const success = code->valuedouble == 0;
    fuzz::require(strcmp(status->valuestring, success ? "success" : "fail") == 0, "status agrees with the code", whole);
    fuzz::require(success || root->child == resp, "a failure carries no data", whole);
}

// What the web server may receive: nothing, the bad-path text, or the JSON
// header (only for URLs under "/api/v2/") and one envelope, a set-style one
// with a line end.
void checkReply(std::optional<std::string> const& uri, std::string const& out)
{
    if (out.empty())
        return;
    if (out.rfind("Invalid request path '", 0) == 0) {
        // Only the first 1023 characters of the URL count.
        fuzz::require(uri && uri->substr(0, 1023).find('/') == std::string::npos && out.back() == '\n',
                      "bad-path text", out);
        return;
    }
    fuzz::require(out != "Status:403\r\n\r\n", "the admin session is accepted", out);
    std::string body = out;
    bool const underApi = uri && uri->rfind("/api/v2/", 0) == 0;
    if (underApi) {
        fuzz::require(out.rfind(kJsonHeader, 0) == 0, "the JSON header", out);
        body = out.substr(strlen(kJsonHeader));
    }
    fuzz::require(!body.empty(), "a reply after the header", out);
    if (body.back() == '\n')
        body.pop_back();
    checkEnvelope(body, out);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::usePrivateTmp();
    mkdir("/tmp/session", 0700);
    mkdir("/tmp/swsim", 0700);
    // Every log line is written, the debug ones too.
    fuzz::writeText("/tmp/devmgr_log_level", std::string("9\0\0\0", 4));
    setenv("SWSIM_TRACE", kTracePath, 1);
    unsetenv("SWSIM_FAULTS");
    unsetenv("HTTP_REFRESH");
    setenv("HTTP_SESSION", kToken, 1);
    g_stdin = new fuzz::MemoryFd(STDIN_FILENO);
    g_stdout = new fuzz::MemoryFd(STDOUT_FILENO);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    auto in = fuzz::fields(data, size, 5);
    for (size_t i = 0; i < 4; ++i)
        fuzz::cutAtNul(in[i]); // as the environment holds them
    std::optional<std::string> const& body = in[4];
    std::optional<std::string> length = in[3];
    if (length && *length == "*")
        length = std::to_string(body ? body->size() : 0);
    fuzz::setVariable("REQUEST_METHOD", in[0]);
    fuzz::setVariable("REQUEST_URI", in[1]);
    fuzz::setVariable("QUERY_STRING", in[2]);
    fuzz::setVariable("CONTENT_LENGTH", length);
    g_stdin->fill(body.value_or(""));

    // Every input starts from the same switch and the same session.
    fuzz::writeText(kSessionPath, std::string("admin\n0\n") + kToken);
    fuzz::freshSwitch(kStatePath);
    unlink(kTracePath);

    // The route tree is laid out in the program and shared by every input.
    HttpdHandle routes = nullptr;
    int const status = serveRequest(routes);
    std::string const out = g_stdout->take();
    fuzz::require(status == 0, "the request goes through dispatch", out);
    checkReply(in[1], out);
    return 0;
}
