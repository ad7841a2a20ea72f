// Many processes at once on the files every request shares: one session file,
// the log and its rotation, the stand-in's state. Nothing is seen half-written
// and nothing written is lost.
#include "harness.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <thread>

using namespace harness;

namespace {

class Concurrency : public CgiTest {};

// The file's content read under a shared lock, as a session check would see
// it; none when it does not exist.
std::optional<std::string> readLocked(char const* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    char content[512]; // a session file is far shorter
    ssize_t const n = flock(fd, LOCK_SH) == 0 ? read(fd, content, sizeof content) : 0;
    close(fd);
    return std::string(content, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST_F(Concurrency, SixtyFourChecksOfOneSessionNeverSeeItHalfWritten)
{
    constexpr char kPath[] = "/tmp/session/shared";
    std::string const stale = std::to_string(uptime() - 7300);
    struct SessionCase {
        char const* name;
        std::string content;    // the session file before the requests
        std::string wellFormed; // what every look at the file must match, while and after
        int refreshEvery;       // HTTP_REFRESH on every request (1), every other (2), none (0)
        bool accepted;          // every request passes the check; else the file is removed
    } const kCases[] = {
        { "admin, refreshed", "admin\n0\nshared", "admin\n[0-9]+\nshared", 0, true },
        // A half-written file would lose the privilege line and be refused.
        { "read-write user, refreshed", "operator\n0\nrw\nshared", "operator\n[0-9]+\nrw\nshared", 0, true },
        { "read-write user, HTTP_REFRESH", "operator\n0\nrw\nshared", "operator\n0\nrw\nshared", 1, true },
        { "read-only user, both", "viewer\n0\nro\nshared", "viewer\n[0-9]+\nro\nshared", 2, true },
        { "expired: removed once, refused by all", "admin\n" + stale + "\nshared", "admin\n" + stale + "\nshared", 2,
          false },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        writeSession("shared", c.content);
        std::regex const wellFormed(c.wellFormed);
        // Meanwhile, look at the file as the checks do, under the lock.
        std::atomic<bool> done = false;
        std::vector<std::string> badLooks;
        int looks = 0;
        std::thread watcher([&] {
            for (; !done; ++looks)
                if (std::optional<std::string> seen = readLocked(kPath); seen && !std::regex_match(*seen, wellFormed))
                    badLooks.push_back(*seen);
        });
        std::vector<Result> results(64);
        together(results.size(), [&](size_t i) {
            results[i] = run({ .uri = "/api/v2/mgmt/beacon/mode", .token = std::string("shared"),
                               .refresh = c.refreshEvery != 0 && int(i) % c.refreshEvery == c.refreshEvery - 1
                                              ? std::optional<std::string>("")
                                              : std::nullopt });
        });
        done = true;
        watcher.join();

        std::string const want = c.accepted ? getReply(17002, "Unsupported Feature") : kForbidden;
        EXPECT_EQ(std::count_if(results.begin(), results.end(),
                                [&](Result const& r) { return r.status == 0 && r.out == want; }),
                  64);
        EXPECT_GT(looks, 0);
        EXPECT_EQ(badLooks, std::vector<std::string>());
        std::optional<std::string> const last = readLocked(kPath);
        ASSERT_EQ(last.has_value(), c.accepted);
        if (last) {
            EXPECT_TRUE(std::regex_match(*last, wellFormed)) << *last;
            EXPECT_EQ(*last == c.content, c.refreshEvery == 1) << *last;
        }
    }
}

// 8 writers log "method not found" with a URL of their own, longer than a
// stdio buffer, across rotations: the message's three lines must stay
// together and whole.
TEST_F(Concurrency, EightLogWritersAcrossRotationsLeaveOnlyWholeLines)
{
    constexpr int kWriters = 8;
    constexpr int kRequestsEach = 35;
    std::vector<std::string> urls;
    for (int w = 0; w < kWriters; ++w)
        urls.push_back("/api/v2/mgmt/nosuch/w" + std::to_string(w) + "?" + std::string(12000, char('a' + w)));
    together(kWriters, [&](size_t w) {
        for (int i = 0; i < kRequestsEach; ++i)
            run({ .uri = urls[w] });
    });

    // The prefix by pattern, the URL after it compared whole (a pattern over
    // 12000 characters would exhaust the matcher's stack).
    std::regex const prefix(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \(ERROR\): orla_cgi: )"
                            R"(\[httpdProcessRequest:\d+\] method not found:)");
    size_t kept = 0;
    for (char const* path : { "/tmp/brisk.log", "/tmp/brisk.log.old" }) {
        SCOPED_TRACE(path);
        // The new log is empty when the last line of all rotated it; the old
        // one's size is checked below.
        std::string const content = readFile(path);
        EXPECT_TRUE(content.empty() || content.back() == '\n');
        kept += content.size();
        std::istringstream in(content);
        for (std::string line, group, resource; std::getline(in, line);) {
            ASSERT_TRUE(std::getline(in, group) && std::getline(in, resource)) << "a message cut short";
            size_t const cut = line.find("found:") + 6;
            ASSERT_TRUE(cut > 6 && std::regex_match(line.substr(0, cut), prefix)) << line.substr(0, 120);
            auto const writer = std::find(urls.begin(), urls.end(), line.substr(cut));
            ASSERT_NE(writer, urls.end()) << "not a whole URL: " << line.substr(0, 120);
            EXPECT_EQ(group, "nosuch");
            EXPECT_EQ(resource, "w" + std::to_string(writer - urls.begin()));
        }
    }
    // Two files hold far less than was written: it went through several
    // rotations. And no rotation threw away the one before: the old file is
    // a whole one, past the rotation size.
    EXPECT_LT(kept, size_t(kWriters) * kRequestsEach * (urls[0].size() + 100) / 2);
    EXPECT_GT(readFile("/tmp/brisk.log.old").size(), 1048576u);
}

// 16 writers of different settings, each writing its values in turn: the
// last value of every one is kept.
TEST_F(Concurrency, SixteenWritersOfDifferentSettingsLoseNoUpdate)
{
    struct Setting {
        std::string url;                 // of the PUT and the GET, under /api/v2/mgmt/
        char const* member;              // body member of the PUT
        std::vector<std::string> values; // written in this order, as JSON values
        char const* group;
        char const* replyMember;         // data member of the GET
    };
    std::vector<std::string> const modes = { "\"enable\"", "\"disable\"" };
    std::vector<std::string> const modesUp = { "\"disable\"", "\"enable\"" };
    std::vector<Setting> const settings = {
        { "webmgmt/cli-web-http-num-sessions", "maxSession", { "3", "9", "12" }, "webmgmt", "pSession" },
        { "webmgmt/cli-web-http-session-soft-time-out", "timeout", { "10", "20", "30" }, "webmgmt", "pTimeout" },
        { "webmgmt/cli-web-http-session-hard-time-out", "timeout", { "48", "72", "96" }, "webmgmt", "pTimeout" },
        { "webmgmt/sw-dev-ctrl-web-mgmt-mode", "mode", modes, "webmgmt", "pMode" },
        { "mgmttelnet/agent-telnet-num-sessions", "maxSession", { "1", "2", "3" }, "mgmttelnet", "pSession" },
        { "mgmttelnet/agent-telnet-timeout", "timeout", { "30", "60", "90" }, "mgmttelnet", "pTimeout" },
        { "mgmttelnet/agent-telnet-new-sessions", "state", modes, "mgmttelnet", "pState" },
        { "mgmttelnet/agent-telnet-admin-mode", "mode", modes, "mgmttelnet", "pMode" },
        { "bonjour/admin-mode", "mode", modes, "bonjour", "pMode" },
        { "bonjour/debug-level1", "mode", modesUp, "bonjour", "pMode" },
        { "bonjour/debug-level2", "mode", modesUp, "bonjour", "pMode" },
        { "dns/admin-mode", "adminMode", modes, "dns", "adminMode" },
        { "dns/default-domain-name", "defaultDomainName", { "\"a.example\"", "\"b.example\"", "\"w13.example\"" },
          "dns", "defaultDomainName" },
        { "cloud-managed/mode", "mode", modesUp, "cloudManaged", "mode" },
        { "cloud-managed/server-url", "url", { "\"https://a.example/\"", "\"https://w15.example/device\"" },
          "cloudManaged", "url" },
        { "ntp/broadcast-client-mode", "mode", modesUp, "ntp", "ntpMode" },
    };
    std::vector<std::vector<Result>> replies(settings.size());
    together(settings.size(), [&](size_t w) {
        for (std::string const& value : settings[w].values)
            replies[w].push_back(
                put("/api/v2/mgmt/" + settings[w].url, std::string("{\"") + settings[w].member + "\":" + value + "}"));
    });
    for (size_t w = 0; w < settings.size(); ++w) {
        Setting const& s = settings[w];
        SCOPED_TRACE(s.url);
        for (Result const& r : replies[w])
            EXPECT_EQ(r.out, setReply(0, "Success"));
        std::string const data = std::string("{\"") + s.replyMember + "\":" + s.values.back() + "}";
        EXPECT_EQ(get("/api/v2/mgmt/" + s.url).out, getReply(0, "Success", s.group, data.c_str()));
    }
}

} // namespace
