// Black-box harness: runs the built program as the web server would, with a
// CGI environment and a body, under a private /tmp, and reads back what it
// wrote, the stand-in's call trace and the files it touched.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace harness {

inline constexpr char kAdminToken[] = "admin-token";
inline constexpr char kJsonHeader[] = "Content-Type: application/json\r\n\r\n";
// The whole output of a request refused for its session: 403, no body.
inline constexpr char kForbidden[] = "Status:403\r\n\r\n";
inline constexpr char kTracePath[] = "/tmp/trace.jsonl";
inline constexpr char kStatePath[] = "/tmp/swsim/state.json";

struct Request {
    std::string method = "GET";
    std::string uri {};
    std::optional<std::string> query {}; // QUERY_STRING, unset when empty optional
    std::optional<std::string> body {};  // standard input; CONTENT_LENGTH is its size unless given
    std::optional<std::string> contentLength {};
    std::optional<std::string> token = std::string(kAdminToken); // HTTP_SESSION
    std::optional<std::string> refresh {};                            // HTTP_REFRESH
    std::optional<std::string> faults {};                             // SWSIM_FAULTS
    std::string program {};      // empty: the management program
    long bootClockAhead = 0;     // seconds the program's boot clock runs ahead (a time namespace)
    bool unsetUri = false;
    bool unsetMethod = false;
    int timeoutSeconds = 60;
};

struct Result {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

Result run(Request const& request);
// The program the tests run, as reachable under the test's own /tmp.
std::string programPath(std::string const& program = {});

// Shorthands for the common requests.
Result get(std::string const& uri, std::optional<std::string> query = std::nullopt);
Result put(std::string const& uri, std::string const& body);
Result post(std::string const& uri, std::string const& body);

// The message of the response codes the switch's results map to.
std::string message(int code);

// The envelope as the program prints it (no line end): the code, its
// message, and on success the data (compact JSON text) under the group name.
std::string envelope(int code, std::string const& message, char const* group = nullptr, char const* data = nullptr);
// Whole outputs: header, then a get-style (no line end) or set-style reply.
std::string getReply(int code, std::string const& message, char const* group = nullptr, char const* data = nullptr);
std::string setReply(int code, std::string const& message);

// The stand-in's trace lines, one per call, without their line ends.
std::vector<std::string> trace();
// The trace without the registration and tear-down calls every request makes.
std::vector<std::string> handlerCalls();
void clearTrace();

std::string readFile(std::string const& path);
void writeFile(std::string const& path, std::string const& content);
bool exists(std::string const& path);

// A session file in /tmp/session/ named by the token.
void writeSession(std::string const& token, std::string const& content);
// System uptime in seconds, as the session check reads it.
long uptime();

// An attack of another account or a fault, as a table row: what it plants,
// then replays.
struct Attack {
    char const* name;
    std::function<void()> replay;
};

// Every test runs in a fresh /tmp of its own, with an admin session whose
// time stamp never expires.
class CgiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // A fresh /tmp, set up again as the test's own, for the next case of a table.
    void renew()
    {
        TearDown();
        SetUp();
    }
    // Each attack in a fresh /tmp, then what must hold after it.
    void replayAll(std::span<Attack const> attacks, std::function<void()> const& after = [] {})
    {
        for (Attack const& attack : attacks) {
            SCOPED_TRACE(attack.name);
            renew();
            attack.replay();
            after();
        }
    }
};

// The account other than the server's that attacks from the box.
inline constexpr uid_t kNobody = 65534;
// A child's exit status, or 128 + signal, once it has ended.
int statusOf(pid_t pid);
// Runs a shell script as another account, as an attacker on the box would:
// its exit status.
int runAs(uid_t uid, std::string const& script);

// work(0) .. work(count - 1), each on a thread of its own, all started together.
template <typename Work>
void together(size_t count, Work const& work)
{
    std::vector<std::thread> threads;
    for (size_t i = 0; i < count; ++i)
        threads.emplace_back([&work, i] { work(i); });
    for (auto& thread : threads)
        thread.join();
}

// Fills /tmp until a write fails.
void fillTmp();

} // namespace harness
