// The session check: how the session file is read, idle expiry and the
// refresh. Who may use which method: the Privilege tests in dispatch_test.
// Tokens that try to name something outside the session directory:
// hostile_test.
#include "harness.h"

using namespace harness;

namespace {

class Session : public CgiTest {};

std::string const kAccepted = getReply(17002, "Unsupported Feature");

Result as(std::string const& token, char const* method, std::optional<std::string> refresh = std::nullopt)
{
    return run({ .method = method, .uri = "/api/v2/mgmt/beacon/mode", .token = token, .refresh = std::move(refresh) });
}

TEST_F(Session, AdmitsByUserAndPrivilege)
{
    struct PrivilegeCase {
        char const* name;
        std::string content;
        char const* method;
        bool accepted;
        bool kept = true; // refused with a stamp line that has no line end: removed
    } const kCases[] = {
        { "rwx reads as read-write", "operator\n0\nrwx\n", "PUT", true },
        { "r alone", "operator\n0\nr\n", "GET", false },
        { "capitals", "operator\n0\nRO\n", "GET", false },
        // The privilege is checked before the time: a bad session is kept.
        { "bad privilege, long expired", "operator\n-99999999999999999999\nxx\n", "GET", false },
        { "empty file", "", "GET", false, false },
        { "admin needs its exact line", "Admin\n0\n", "GET", false },
        // Lines are read into 200-byte buffers: a longer line runs on into the next.
        { "a user line of 198 characters fits", std::string(198, 'u') + "\n0\nro\n", "GET", true },
        { "a user line of 199 characters shifts the rest", std::string(199, 'u') + "\n0\nro\n", "GET", false },
        { "a stamp line of 199 characters shifts the privilege", "operator\n" + std::string(199, '0') + "\nro\n", "GET",
          false, false },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        writeSession("t", c.content + "t");
        Result r = as("t", c.method);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(kJsonHeader, 0) == 0, c.accepted);
        EXPECT_EQ(exists("/tmp/session/t"), c.kept);
        if (!c.accepted) {
            EXPECT_EQ(r.out, kForbidden);
        }
    }
}

// A live session is rewritten with the uptime, cut to its new length, unless
// HTTP_REFRESH (of any value) says not to; an expired one is removed. The
// idle time is the uptime less the stamp, whatever the stamp's size (at the
// ends of a long and past them, where strtol saturates); a stamp of 0 or no
// number never expires.
TEST_F(Session, RewritesTheSessionWithTheUptimeUnlessToldNotTo)
{
    struct StampCase {
        std::string stamp; // "@N": the uptime plus N
        bool expired;
        std::optional<std::string> refresh = std::nullopt;
        std::string privilege = ""; // the line after the stamp; none for admin
    } const kCases[] = {
        { "@-7200", false }, { "@-7201", true }, { "0", false, "" }, { "0", false, "1", "ro\n" },
        { "0", false, std::nullopt, "ro\n" }, { "abc", false }, { "-9223372036854775808", true },
        { "-99999999999999999999", true }, { "9223372036854775807", false }, { "99999999999999999999", false },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.stamp + " " + c.privilege + c.refresh.value_or("(no refresh)"));
        std::string const user = c.privilege.empty() ? "admin\n" : "operator\n";
        // The uptime may tick between writing the stamp and the check; retry then.
        bool decided = false;
        for (int attempt = 0; attempt < 5 && !decided; ++attempt) {
            long const before = uptime();
            std::string const stamp = c.stamp[0] == '@' ? std::to_string(before + std::stol(c.stamp.substr(1))) : c.stamp;
            std::string const content = user + stamp + "\n" + c.privilege + "t-and-a-long-tail-that-must-go";
            writeSession("t", content);
            Result const r = as("t", "GET", c.refresh);
            if (!(decided = uptime() == before))
                continue;
            EXPECT_EQ(r.out, c.expired ? kForbidden : kAccepted);
            EXPECT_EQ(exists("/tmp/session/t"), !c.expired);
            if (!c.expired) {
                EXPECT_EQ(readFile("/tmp/session/t"),
                          c.refresh ? content : user + std::to_string(before) + "\n" + c.privilege + "t");
            }
        }
        EXPECT_TRUE(decided);
    }
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
    for (char const* line : { "(DEBUG): orla_cgi: [checkSessionX:", "] /tmp/session/missing file not exsits, ignore\n",
                              "] Permission denied, not a priviledged user\n", "(INFO): orla_cgi: [checkSessionX:",
                              ".please login again. (userName: admin\n timestamp: ", "] 403 Forbidden\n" })
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

} // namespace
