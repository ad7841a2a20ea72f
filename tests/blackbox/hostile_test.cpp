// Hostile input in the CGI variables, the content length, the body, the query
// string and the token: each gets its reply, or none, in time, and no file
// outside the program's own changes.
#include "harness.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <span>

using namespace harness;

namespace {

class Hostile : public CgiTest {};

// Every file under /tmp but the program's own, which any request may write
// (the log, its level, the stand-in's state and trace, and the session of the
// request's token): its kind and content (a link's target).
using Snapshot = std::map<std::string, std::string>;

Snapshot others()
{
    Snapshot all;
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::recursive_directory_iterator it("/tmp", error), end; !error && it != end; it.increment(error)) {
        std::string const path = it->path();
        if (path.rfind("/tmp/swsim", 0) == 0 || path == "/tmp/brisk.log" || path == "/tmp/brisk.log.old"
            || path == "/tmp/devmgr_log_level" || path == "/tmp/trace.jsonl" || path == "/tmp/session/admin-token")
            continue;
        fs::file_status const st = it->symlink_status(error);
        all[path] = fs::is_symlink(st) ? "link " + fs::read_symlink(path, error).string()
                    : fs::is_regular_file(st) ? "file " + readFile(path)
                                              : "kind " + std::to_string(int(st.type()));
    }
    return all;
}

struct Case {
    std::string name;
    Request request;
    std::optional<std::string> want;          // the whole output
    std::vector<std::string> calls = {};      // the handler's calls of the switch
    std::optional<Request> sameAs = {};       // instead: whatever this plain request gives
};

// Runs each case: it ends by itself with status 0, gives its reply and its
// calls (or those of its plain twin), and leaves every other file as it was.
void runBattery(std::span<Case const> cases)
{
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Snapshot const before = others();
        clearTrace();
        Request request = c.request;
        request.timeoutSeconds = 30;
        Result const r = run(request);
        std::vector<std::string> const calls = handlerCalls();
        EXPECT_EQ(r.status, 0) << r.err.substr(0, 2000);
        EXPECT_EQ(others(), before);
        if (c.want) {
            EXPECT_EQ(r.out, *c.want);
            EXPECT_EQ(calls, c.calls);
        }
        if (c.sameAs) {
            clearTrace();
            Result const plain = run(*c.sameAs);
            EXPECT_EQ(r.out, plain.out);
            EXPECT_EQ(calls, handlerCalls());
        }
    }
}

constexpr char kBeacon[] = "/api/v2/mgmt/beacon/mode";
constexpr char kWebMode[] = "/api/v2/mgmt/webmgmt/sw-dev-ctrl-web-mgmt-mode";
constexpr char kEnable[] = "{\"mode\":\"enable\"}";
std::string const kBeaconReply = getReply(17002, "Unsupported Feature");
std::string const kSetOk = setReply(0, "Success");
std::string const kSetInvalid = setReply(10003, "Invalid argument");
std::string const kModeOn = "{\"call\":\"rpcclt_openapiSwDevCtrlWebMgmtModeSet\",\"args\":[1]}";
std::string const kModeOff = "{\"call\":\"rpcclt_openapiSwDevCtrlWebMgmtModeSet\",\"args\":[0]}";
std::string const kHuge(100000, 'h');
std::string const kBinary = "\x01\x7f\x80\xfe\xff\x1b[0m\t\r\n";

Request putMode(std::string body, std::optional<std::string> length = std::nullopt)
{
    return { .method = "PUT", .uri = kWebMode, .body = std::move(body), .contentLength = std::move(length) };
}

// A change with each token, every one refused.
void refuseTokens(std::vector<std::string> const& tokens)
{
    std::vector<Case> cases;
    for (std::string const& token : tokens)
        cases.push_back({ "token " + token.substr(0, 40),
                          { .method = "PUT", .uri = kWebMode, .body = kEnable, .token = token }, kForbidden });
    runBattery(cases);
}

TEST_F(Hostile, CgiVariablesMissingEmptyHugeOrBinary)
{
    Case const kCases[] = {
        { "no URL", { .unsetUri = true }, "" },
        { "empty URL", { .uri = "" }, "Invalid request path ''\n" },
        { "huge URL without a slash", { .uri = kHuge }, "Invalid request path '" + kHuge.substr(0, 1023) + "'\n" },
        { "huge query in the URL", { .uri = std::string(kBeacon) + "?" + kHuge }, kBeaconReply },
        { "binary URL", { .uri = "/api/v2/mgmt/beacon/" + kBinary }, "" },
        { "no method", { .uri = kBeacon, .unsetMethod = true }, "" },
        { "empty method", { .method = "", .uri = kBeacon }, "" },
        { "huge method", { .method = kHuge, .uri = kBeacon }, "" },
        { "binary method", { .method = kBinary, .uri = kBeacon }, "" },
        { "no token", { .uri = kBeacon, .token = std::nullopt }, kForbidden },
        { "empty token", { .uri = kBeacon, .token = "" }, kForbidden },
        { "huge token", { .uri = kBeacon, .token = kHuge }, kForbidden },
        { "binary token", { .uri = kBeacon, .token = kBinary }, kForbidden },
        { "huge HTTP_REFRESH", { .uri = kBeacon, .refresh = kHuge }, kBeaconReply },
        { "binary HTTP_REFRESH", { .uri = kBeacon, .refresh = kBinary }, kBeaconReply },
        { "huge binary query string", { .uri = kBeacon, .query = kHuge + kBinary }, kBeaconReply },
    };
    runBattery(kCases);
}

TEST_F(Hostile, ContentLengthNegativeHugeOrNotANumber)
{
    Case const kCases[] = {
        // How a length is read is the request reader's unit test; here, the
        // lengths no client should send.
        { "missing", { .method = "PUT", .uri = kWebMode }, kSetInvalid },
        { "very negative", putMode(kEnable, "-99999999999999999999"), kSetInvalid },
        { "binary", putMode(kEnable, kBinary), kSetInvalid },
        { "past a long: all there is", putMode(kEnable, "99999999999999999999"), kSetOk, { kModeOn } },
        { "huge: all there is", putMode(kEnable, "1000000000"), kSetOk, { kModeOn } },
        { "leading blanks, trailing text", putMode(kEnable, " 17abc"), kSetOk, { kModeOn } },
    };
    runBattery(kCases);
}

TEST_F(Hostile, BodiesNestedHugeWithNulOrInvalidUtf8)
{
    std::string const deepArrays = std::string(10000, '[') + std::string(10000, ']');
    std::string deepObjects;
    for (int i = 0; i < 10000; ++i)
        deepObjects += "{\"mode\":";
    deepObjects += "1" + std::string(10000, '}');
    std::string const allowedDepth = "{\"mode\":" + std::string(900, '[') + std::string(900, ']') + "}";
    std::string const tenMegabytes(10 * 1024 * 1024, ' ');
    std::string const bigMember = "{\"pad\":\"" + std::string(10 * 1024 * 1024, 'x') + "\",\"mode\":\"enable\"}";
    std::string const longUrl = "https://" + std::string(10 * 1024 * 1024, 'u');
    Request const cutUrl { .method = "PUT", .uri = "/api/v2/mgmt/cloud-managed/server-url",
                           .body = "{\"url\":\"" + longUrl.substr(0, 150) + "\"}" };
    Request hugeUrl = cutUrl;
    hugeUrl.body = "{\"url\":\"" + longUrl + "\"}";

    Case const kCases[] = {
        { "10000 nested arrays", putMode(deepArrays), kSetInvalid },
        { "10000 nested objects", putMode(deepObjects), kSetInvalid },
        { "900 levels parse", putMode(allowedDepth), kSetOk, { kModeOff } },
        { "10 MB of blanks first", putMode(tenMegabytes + kEnable), kSetOk, { kModeOn } },
        { "10 MB member beside", putMode(bigMember), kSetOk, { kModeOn } },
        { "10 MB text, cut to its buffer", hugeUrl, std::nullopt, {}, cutUrl },
        { "NUL after the value", putMode(std::string(kEnable) + std::string("\0{garbage", 9)), kSetOk, { kModeOn } },
        { "NUL first", putMode(std::string("\0", 1) + kEnable), kSetInvalid },
        { "NUL inside a string", putMode(std::string("{\"mode\":\"ena\0ble\"}", 18)), kSetInvalid },
        { "invalid UTF-8 in a keyword", putMode("{\"mode\":\"en\xff\xfe" "able\"}"), kSetOk, { kModeOff } },
        { "invalid UTF-8 as a name", putMode("{\"\xc0\xaf\":\"enable\",\"mode\":\"enable\"}"), kSetOk, { kModeOn } },
        { "lone surrogate escape", putMode("{\"mode\":\"\\ud800\"}"), kSetInvalid },
        { "binary, not JSON", putMode(kBinary), kSetInvalid },
    };
    runBattery(kCases);
}

TEST_F(Hostile, InvalidUtf8TextsGoToTheSwitchAndComeBackAsTheyAre)
{
    std::string const user = "\xff\xfe\xc0x";
    EXPECT_EQ(put("/api/v2/mgmt/cloud-managed/proxy-user", "{\"userName\":\"" + user + "\",\"password\":\"p\"}").out,
              kSetOk);
    EXPECT_NE(get("/api/v2/mgmt/cloud-managed/proxy-user").out.find("\"userName\":\t\"" + user + "\""),
              std::string::npos);
}

TEST_F(Hostile, QueryStringsOfTenThousandAmpersands)
{
    std::string const amps(10000, '&');
    constexpr char kWalk[] = "/api/v2/mgmt/dns/ip-name-servers-next";
    constexpr char kProxy[] = "/api/v2/mgmt/cloud-managed/proxy-ip";
    std::string const proxyBody = "{\"ipAddr\":\"192.0.2.7\"}";
    auto walk = [&](std::optional<std::string> query) { return Request { .uri = kWalk, .query = query }; };
    auto proxy = [&](std::string query) { return Request { .method = "PUT", .uri = kProxy, .query = query, .body = proxyBody }; };
    Case const kCases[] = {
        { "a walk with only ampersands", walk(amps), std::nullopt, {}, walk(std::nullopt) },
        // The request data is cut at 8192 bytes: a key past that is not seen.
        { "a walk's key past the cut", walk(amps + "ipAddr=192.168.1.1"), std::nullopt, {}, walk(std::nullopt) },
        { "a walk's key before them", walk("ipAddr=192.168.1.1" + amps), std::nullopt, {}, walk("ipAddr=192.168.1.1") },
        { "only equals signs", walk(std::string(10000, '=')), std::nullopt, {}, walk(std::nullopt) },
        // A copy of QUERY_STRING is split whole.
        { "a port after them", proxy(amps + "portNum=8080"), std::nullopt, {}, proxy("portNum=8080") },
    };
    runBattery(kCases);
}

// Tokens that name anything but a session file; then "/tmp/session" itself
// a link to another directory (anyone may create it before the login side
// does), which is not followed, for reading, rewriting or removing.
TEST_F(Hostile, TokensNamingAnythingButASessionFile)
{
    writeFile("/tmp/outside", "admin\n0\noutside");
    writeFile("/tmp/outside-expired", "admin\n1\noutside-expired");
    symlink("/tmp/outside", "/tmp/session/link");
    symlink("/tmp/outside-expired", "/tmp/session/expired-link");
    symlink("/tmp/session/absent", "/tmp/session/dangling");
    mkfifo("/tmp/session/fifo", 0600);
    mkdir("/tmp/session/dir", 0700);
    refuseTokens({ "/tmp/outside", "../outside", "..", ".", "dir/../../outside", "link", "expired-link", "dangling",
                   "fifo", "dir", "dir/", std::string(10 * 1024, 't') });

    renew();
    ASSERT_EQ(rename("/tmp/session", "/tmp/elsewhere"), 0);
    ASSERT_EQ(symlink("/tmp/elsewhere", "/tmp/session"), 0);
    writeFile("/tmp/elsewhere/old", "admin\n1\nold");
    refuseTokens({ kAdminToken, "old" });
}

} // namespace
