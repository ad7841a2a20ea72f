// The session check: who may do what, idle expiry, the refresh, and tokens
// that try to name something outside the session directory.
#include "harness.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace harness;

namespace {

class Session : public CgiTest {};

constexpr char kUri[] = "/api/v2/mgmt/beacon/mode";
std::string const kForbidden = "Status:403\r\n\r\n";

Result as(std::string const& token, char const* method, std::optional<std::string> refresh = std::nullopt)
{
    return run({ .method = method, .uri = kUri, .token = token, .refresh = std::move(refresh) });
}

bool accepted(Result const& r)
{
    return r.out.rfind(kJsonHeader, 0) == 0;
}

struct PrivilegeCase {
    char const* name;
    std::string content;
    char const* method;
    bool accepted;
};

TEST_F(Session, AdmitsByUserAndPrivilege)
{
    PrivilegeCase const kCases[] = {
        { "admin GET", "admin\n0\n", "GET", true },
        { "admin PUT", "admin\n0\n", "PUT", true },
        { "read-only GET", "operator\n0\nro\n", "GET", true },
        { "read-only PUT", "operator\n0\nro\n", "PUT", false },
        { "read-write PUT", "operator\n0\nrw\n", "PUT", true },
        { "rwx reads as read-write", "operator\n0\nrwx\n", "PUT", true },
        { "r alone", "operator\n0\nr\n", "GET", false },
        { "capitals", "operator\n0\nRO\n", "GET", false },
        { "no privilege line", "operator\n0\n", "GET", false },
        { "empty file", "", "GET", false },
        { "admin needs its exact line", "Admin\n0\n", "GET", false },
        // Lines are read into 200-byte buffers: a longer line runs on into the next.
        { "a user line of 198 characters fits", std::string(198, 'u') + "\n0\nro\n", "GET", true },
        { "a user line of 199 characters shifts the rest", std::string(199, 'u') + "\n0\nro\n", "GET", false },
        { "a stamp line of 199 characters shifts the privilege", "operator\n" + std::string(199, '0') + "\nro\n", "GET", false },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        writeSession("t", c.content + "t");
        Result r = as("t", c.method);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(accepted(r), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(r.out, kForbidden);
        }
    }
}

TEST_F(Session, ExpiresOnlyPastTheIdleLimitAndRemovesTheFile)
{
    // The uptime may tick between writing the stamp and the check; retry then.
    bool decided = false;
    for (int attempt = 0; attempt < 5 && !decided; ++attempt) {
        long const before = uptime();
        writeSession("t", "admin\n" + std::to_string(before - 7200) + "\nt");
        Result r = as("t", "GET", "");
        if (uptime() != before)
            continue;
        decided = true;
        EXPECT_TRUE(accepted(r));
        EXPECT_TRUE(exists("/tmp/session/t"));
    }
    EXPECT_TRUE(decided);

    writeSession("t", "admin\n" + std::to_string(uptime() - 7201) + "\nt");
    EXPECT_EQ(as("t", "GET").out, kForbidden);
    EXPECT_FALSE(exists("/tmp/session/t"));
}

TEST_F(Session, StampsThatAreZeroOrNotNumbersNeverExpire)
{
    for (char const* stamp : { "0", "abc", "" }) {
        SCOPED_TRACE(stamp);
        writeSession("t", std::string("admin\n") + stamp + "\nt");
        EXPECT_TRUE(accepted(as("t", "GET", "")));
    }
}

TEST_F(Session, PrivilegeIsCheckedBeforeTheTimeSoABadSessionIsKept)
{
    writeSession("t", "operator\n1\nxx\nt");
    EXPECT_EQ(as("t", "GET").out, kForbidden);
    EXPECT_TRUE(exists("/tmp/session/t"));
}

TEST_F(Session, RewritesTheSessionWithTheUptimeUnlessToldNotTo)
{
    // The uptime may tick once during the request.
    auto stampedAs = [](std::string const& file, long before, std::string const& head, std::string const& tail) {
        std::string const content = readFile(file);
        return content == head + std::to_string(before) + tail || content == head + std::to_string(before + 1) + tail;
    };
    // Stamped just now: a fixed small stamp expires once the machine has
    // been up for two hours.
    std::string const fresh = std::to_string(uptime());
    writeSession("op", "operator\n" + fresh + "\nro\nold-token-and-a-long-tail-that-must-go");
    long before = uptime();
    ASSERT_TRUE(accepted(as("op", "GET")));
    EXPECT_TRUE(stampedAs("/tmp/session/op", before, "operator\n", "\nro\nop"));

    writeSession("admin2", "admin\n" + fresh + "\nadmin2");
    before = uptime();
    ASSERT_TRUE(accepted(as("admin2", "PUT")));
    EXPECT_TRUE(stampedAs("/tmp/session/admin2", before, "admin\n", "\nadmin2"));

    writeSession("op", "operator\n" + fresh + "\nro\nop");
    ASSERT_TRUE(accepted(as("op", "GET", "")));
    EXPECT_EQ(readFile("/tmp/session/op"), "operator\n" + fresh + "\nro\nop");
}

TEST_F(Session, TokensNamingAnythingButASessionFileAreRefused)
{
    mkdir("/tmp/session", 0700);
    writeFile("/tmp/outside", "admin\n0\noutside");
    mkdir("/tmp/session/dir", 0700);
    symlink("/tmp/outside", "/tmp/session/link");
    mkfifo("/tmp/session/fifo", 0600);
    writeSession("expired-link-target", "admin\n1\nx");
    symlink("/tmp/session/expired-link-target", "/tmp/session/expired-link");

    std::string const longToken(600, 'a');
    writeSession(longToken.substr(0, 499), "admin\n0\nx"); // what a cut path would name
    for (std::string const token : { "", ".", "..", "../outside", "link", "fifo", "dir", "expired-link",
                                     longToken.c_str(), "dir/../../outside" }) {
        SCOPED_TRACE(token);
        Result r = run({ .method = "PUT", .uri = kUri, .token = token, .timeoutSeconds = 10 });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, kForbidden);
    }
    Result absent = run({ .method = "GET", .uri = kUri, .token = std::nullopt });
    EXPECT_EQ(absent.out, kForbidden);
    EXPECT_EQ(readFile("/tmp/outside"), "admin\n0\noutside");
    EXPECT_EQ(readFile("/tmp/session/expired-link-target"), "admin\n1\nx");
}

TEST_F(Session, RefusalsAreLoggedAtTheirLevels)
{
    writeFile("/tmp/devmgr_log_level", std::string("7\0\0\0", 4));
    as("missing", "GET");
    writeSession("ro", "operator\n0\nro\nro");
    as("ro", "PUT");
    writeSession("old", "admin\n" + std::to_string(uptime() - 9000) + "\nold");
    as("old", "GET");
    std::string const log = readFile("/tmp/brisk.log");
    EXPECT_NE(log.find("(DEBUG): orla_cgi: [checkSessionX:"), std::string::npos);
    EXPECT_NE(log.find("] /tmp/session/missing file not exsits, ignore\n"), std::string::npos);
    EXPECT_NE(log.find("] Permission denied, not a priviledged user\n"), std::string::npos);
    EXPECT_NE(log.find("(INFO): orla_cgi: [checkSessionX:"), std::string::npos);
    EXPECT_NE(log.find(".please login again. (userName: admin\n timestamp: "), std::string::npos);
    EXPECT_NE(log.find("] 403 Forbidden\n"), std::string::npos);
}

} // namespace
