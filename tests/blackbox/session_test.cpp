// The session check: how the session file is read, idle expiry and the
// refresh. Who may use which method: privilege_test. Tokens that try to name
// something outside the session directory: hostile_test.
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
    bool kept = true; // refused with a stamp line that has no line end: removed
};

TEST_F(Session, AdmitsByUserAndPrivilege)
{
    PrivilegeCase const kCases[] = {
        // Who may use which method: privilege_test; here, how the file is read.
        { "rwx reads as read-write", "operator\n0\nrwx\n", "PUT", true },
        { "r alone", "operator\n0\nr\n", "GET", false },
        { "capitals", "operator\n0\nRO\n", "GET", false },
        { "no privilege line", "operator\n0\n", "GET", false },
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
        EXPECT_EQ(accepted(r), c.accepted);
        EXPECT_EQ(exists("/tmp/session/t"), c.kept);
        if (!c.accepted) {
            EXPECT_EQ(r.out, kForbidden);
        }
    }
}

// The idle time is the uptime less the stamp, whatever the stamp's size (at
// the ends of a long and past them, where strtol saturates); a stamp of 0
// or no number never expires. An expired session's file is removed.
TEST_F(Session, ExpiresOnlyPastTheIdleLimitAndRemovesTheFile)
{
    struct StampCase {
        char const* stamp; // null: the uptime plus the offset
        long offset;
        bool expired;
    };
    constexpr StampCase kCases[] = {
        { nullptr, -7200, false },
        { nullptr, -7201, true },
        { "0", 0, false },
        { "abc", 0, false },
        { "", 0, false },
        { "-9223372036854775808", 0, true },
        { "-99999999999999999999", 0, true },
        { "9223372036854775807", 0, false },
        { "99999999999999999999", 0, false },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.stamp != nullptr ? c.stamp : std::to_string(c.offset));
        // The uptime may tick between writing the stamp and the check; retry then.
        bool decided = false;
        for (int attempt = 0; attempt < 5 && !decided; ++attempt) {
            long const before = uptime();
            writeSession("t", "admin\n" + (c.stamp != nullptr ? c.stamp : std::to_string(before + c.offset)) + "\nt");
            Result const r = as("t", "GET", "");
            if (uptime() != before)
                continue;
            decided = true;
            EXPECT_EQ(r.out, c.expired ? kForbidden : getReply(17002, "Unsupported Feature"));
            EXPECT_EQ(exists("/tmp/session/t"), !c.expired);
        }
        EXPECT_TRUE(decided);
    }
}

TEST_F(Session, RewritesTheSessionWithTheUptimeUnlessToldNotTo)
{
    // The uptime may tick once during the request.
    auto stampedAs = [](std::string const& file, long before, std::string const& head, std::string const& tail) {
        std::string const content = readFile(file);
        return content == head + std::to_string(before) + tail || content == head + std::to_string(before + 1) + tail;
    };
    writeSession("op", "operator\n0\nro\nold-token-and-a-long-tail-that-must-go");
    long before = uptime();
    ASSERT_TRUE(accepted(as("op", "GET")));
    EXPECT_TRUE(stampedAs("/tmp/session/op", before, "operator\n", "\nro\nop"));

    writeSession("admin2", "admin\n0\nadmin2");
    before = uptime();
    ASSERT_TRUE(accepted(as("admin2", "PUT")));
    EXPECT_TRUE(stampedAs("/tmp/session/admin2", before, "admin\n", "\nadmin2"));

    // With HTTP_REFRESH, of any value, the stamp of 0 stays as it is.
    for (char const* refresh : { "", "1" }) {
        SCOPED_TRACE(refresh);
        writeSession("op", "operator\n0\nro\nop");
        ASSERT_TRUE(accepted(as("op", "GET", refresh)));
        EXPECT_EQ(readFile("/tmp/session/op"), "operator\n0\nro\nop");
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
    EXPECT_NE(log.find("(DEBUG): orla_cgi: [checkSessionX:"), std::string::npos);
    EXPECT_NE(log.find("] /tmp/session/missing file not exsits, ignore\n"), std::string::npos);
    EXPECT_NE(log.find("] Permission denied, not a priviledged user\n"), std::string::npos);
    EXPECT_NE(log.find("(INFO): orla_cgi: [checkSessionX:"), std::string::npos);
    EXPECT_NE(log.find(".please login again. (userName: admin\n timestamp: "), std::string::npos);
    EXPECT_NE(log.find("] 403 Forbidden\n"), std::string::npos);
}

} // namespace
