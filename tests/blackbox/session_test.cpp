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

// Who the file names, with which privilege, and since when. A live session
// is rewritten with the uptime, cut to its new length, unless HTTP_REFRESH (of
// any value) says not to; an expired one is removed. The stamp saturates at
// the ends of a long; a stamp of 0 or no number never expires.
TEST_F(Session, AdmitsByUserPrivilegeAndStampAndRewritesTheStamp)
{
    struct Case {
        char const* name;
        std::string lines; // before the token line; a stamp "@N" is the uptime plus N
        char const* method = "GET";
        bool accepted = true;
        bool kept = true;
        std::optional<std::string> refresh = std::nullopt;
    } const kCases[] = {
        { "rwx reads as read-write", "operator\n0\nrwx\n", "PUT" },
        { "r alone", "operator\n0\nr\n", "GET", false },
        { "capitals", "operator\n0\nRO\n", "GET", false },
        // The privilege is checked before the time: a bad session is kept.
        { "bad privilege, long expired", "operator\n-99999999999999999999\nxx\n", "GET", false },
        // Refused with a stamp line that has no line end: removed.
        { "empty file", "", "GET", false, false },
        { "admin needs its exact line", "Admin\n0\n", "GET", false },
        // Lines are read into 200-byte buffers: a longer line runs on into the next.
        { "a user line of 198 characters fits, read-only, rewritten", std::string(198, 'u') + "\n0\nro\n" },
        { "a user line of 199 characters shifts the rest", std::string(199, 'u') + "\n0\nro\n", "GET", false },
        { "a stamp line of 199 characters shifts the privilege", "operator\n" + std::string(199, '0') + "\nro\n", "GET",
          false, false },
        { "idle 7200 s", "admin\n@-7200\n" },
        { "idle 7201 s", "admin\n@-7201\n", "GET", false, false },
        { "HTTP_REFRESH empty", "admin\n0\n", "GET", true, true, "" },
        { "no number", "admin\nabc\n" },
        { "below a long", "admin\n-99999999999999999999\n", "GET", false, false },
        { "past a long", "admin\n99999999999999999999\n" },
    };
    for (Case const& c : kCases) {
        SCOPED_TRACE(c.name);
        // The uptime may tick between writing the stamp and the check; retry then.
        bool decided = false;
        for (int attempt = 0; attempt < 5 && !decided; ++attempt) {
            long const before = uptime();
            std::string lines = c.lines;
            if (size_t const at = lines.find('@'); at != std::string::npos) {
                size_t const end = lines.find('\n', at);
                lines.replace(at, end - at, std::to_string(before + std::stol(lines.substr(at + 1, end - at - 1))));
            }
            std::string const content = lines + "t-and-a-long-tail-that-must-go";
            writeSession("t", content);
            Result const r = as("t", c.method, c.refresh);
            if (!(decided = uptime() == before))
                continue;
            EXPECT_EQ(r.status, 0);
            std::string const accepted = std::string(c.method) == "GET" ? kAccepted : setReply(17002, "Unsupported Feature");
            EXPECT_EQ(r.out, c.accepted ? accepted : kForbidden);
            EXPECT_EQ(exists("/tmp/session/t"), c.kept);
            if (c.accepted) {
                size_t const stamp = lines.find('\n') + 1;
                std::string const rewritten = lines.substr(0, stamp) + std::to_string(before)
                                              + lines.substr(lines.find('\n', stamp)) + "t";
                EXPECT_EQ(readFile("/tmp/session/t"), c.refresh ? content : rewritten);
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
