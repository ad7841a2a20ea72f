// Hostile local accounts and faults on the box, each replayed: files another
// account ("nobody") planted in /tmp, a full /tmp, a level file rewritten under
// a running process, processes killed half way through their writes.
#include "../tools/log.h"
#include "harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

using namespace harness;

namespace {

constexpr char kVictim[] = "/tmp/victim";
constexpr char kVictimText[] = "settings the server account may write\n";
constexpr char kUnknownRoute[] = "/api/v2/mgmt/beacon/absent";
constexpr char kBeacon[] = "/api/v2/mgmt/beacon/mode";
std::string const kBeaconReply = getReply(17002, "Unsupported Feature");

void asNobody(std::string const& script) { ASSERT_EQ(runAs(kNobody, script), 0) << script; }

// Runs the program under strace with the options given, for a request, its
// output to a file (or none); its exit status, or 128 + signal.
int runTraced(std::vector<std::string> const& options, char const* method, char const* uri, char const* token,
              std::string const& body = "", char const* outPath = "/dev/null")
{
    if (access("/usr/bin/strace", X_OK) != 0) {
        ADD_FAILURE() << "strace is not installed (scripts/test installs it)";
        return -1;
    }
    writeFile("/tmp/traced-body", body);
    // The leak check of a sanitizer build cannot run under a tracer.
    std::string command = std::string("env SWSIM_TRACE=") + kTracePath + " ASAN_OPTIONS=detect_leaks=0 REQUEST_METHOD="
                          + method + " REQUEST_URI=" + uri + " HTTP_SESSION=" + token
                          + (body.empty() ? "" : " CONTENT_LENGTH=" + std::to_string(body.size())) + " /usr/bin/strace -qq";
    for (auto const& option : options)
        command += " '" + option + "'";
    int const status = system((command + " '" + programPath() + "' </tmp/traced-body >" + outPath + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class HostileLocal : public CgiTest {
protected:
    void SetUp() override
    {
        // Another account exists only where the tests run as real root.
        if (geteuid() != 0 || runAs(kNobody, "true") != 0)
            GTEST_SKIP() << "needs root and setpriv to act as nobody";
        CgiTest::SetUp();
        writeFile(kVictim, kVictimText);
    }
};

// Attacks that planted files in /tmp before the program runs.
TEST_F(HostileLocal, PlantedFilesAreNotUsed)
{
    // Every replay ends with a request to a route that logs an error, which
    // must leave the server account's file as it was.
    Attack const kAttacks[] = {
        { "level file: a link to a file of the server account is not cut",
          [] { asNobody("ln -s /tmp/victim /tmp/devmgr_log_level"); } },
        { "log file: a link to a file of the server account gets no line",
          [] { asNobody("ln -s /tmp/victim /tmp/brisk.log"); } },
        { "log file: a FIFO nobody reads hangs no request",
          [] {
              // The attacker fills the pipe and stops reading.
              asNobody("mkfifo -m 0666 /tmp/brisk.log");
              int fifo = open("/tmp/brisk.log", O_RDWR | O_NONBLOCK);
              ASSERT_GE(fifo, 0);
              std::string const block(4096, 'f');
              while (write(fifo, block.data(), block.size()) > 0) {
              }
              writeSession("reader", "operator\n0\nro\nreader");
              // Refused inside the session lock, which a hang would hold.
              EXPECT_EQ(run({ .method = "PUT", .uri = kBeacon, .body = "{}", .token = "reader", .timeoutSeconds = 10 }).status, 0);
              EXPECT_EQ(run({ .uri = kUnknownRoute, .timeoutSeconds = 10 }).status, 0);
              close(fifo);
          } },
        { "level file of another account holding 7: the token stays out of the log",
          [] {
              asNobody("printf 7 > /tmp/devmgr_log_level && chmod 0666 /tmp/devmgr_log_level");
              // The administrator works; the attacker reads the log.
              writeSession("secret-token", "admin\n0\nsecret-token");
              EXPECT_EQ(run({ .uri = kBeacon, .token = "secret-token" }).out, kBeaconReply);
              asNobody("cat /tmp/brisk.log /tmp/brisk.log.old > /tmp/stolen 2>/dev/null; true");
              EXPECT_EQ(readFile("/tmp/stolen").find("secret-token"), std::string::npos) << readFile("/tmp/stolen");
              EXPECT_EQ(std::filesystem::status("/tmp/brisk.log").permissions(), std::filesystem::perms(0600));
          } },
    };
    replayAll(kAttacks, [] {
        EXPECT_EQ(run({ .uri = kUnknownRoute, .timeoutSeconds = 10 }).status, 0);
        EXPECT_EQ(readFile(kVictim), kVictimText);
    });
}

// Session directories and files another account made or may write: the
// token each names is no session. Planted by the server account (root), then
// by nobody.
TEST_F(HostileLocal, PlantedSessionsAreRefused)
{
    struct Row { char const *name, *asServer, *asNobody, *token; } const rows[] = {
        { "session directory made by another account", "rm -rf /tmp/session",
          "mkdir -m 0777 /tmp/session && printf 'admin\\n0\\nevil' > /tmp/session/evil", "evil" },
        { "session directory writable by its group", "chmod 0770 /tmp/session", "true", kAdminToken },
        { "session file of another account",
          "printf 'admin\\n0\\ngiven' > /tmp/session/given && chmod 0600 /tmp/session/given && chown 65534:65534 /tmp/session/given",
          "true", "given" },
        { "session file every account may write",
          "printf 'admin\\n0\\nopen' > /tmp/session/open && chmod 0666 /tmp/session/open", "true", "open" },
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.name);
        renew();
        ASSERT_EQ(system(row.asServer), 0);
        asNobody(row.asNobody);
        EXPECT_EQ(run({ .uri = kBeacon, .token = row.token }).out, kForbidden);
    }
}

// A full /tmp: the level file cannot get its bytes, and every request still
// answers as it would, at the default threshold.
TEST_F(HostileLocal, FullTmpKillsNoRequest)
{
    ASSERT_EQ(mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777,size=512k"), 0);
    writeSession(kAdminToken, std::string("admin\n0\n") + kAdminToken);
    EXPECT_EQ(run({ .uri = kBeacon }).out, kBeaconReply); // the stand-in's files are made
    unlink("/tmp/devmgr_log_level");
    fillTmp();
    for (int i = 0; i < 3; ++i) {
        Result const r = run({ .uri = kBeacon, .refresh = "" });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, kBeaconReply);
    }
    umount2("/tmp", MNT_DETACH);
}

// The level file rewritten the documented way ("echo 6 >" empties it, then
// writes) while a process runs: reading the level never kills it. In a
// child process of its own, with the log facility as the program uses it.
TEST_F(HostileLocal, LevelFileCutUnderARunningProcess)
{
    pid_t const pid = fork();
    if (pid == 0) {
        devmgrLogOpen(LOG_MODE_FILE, 8, "orla_cgi");
        int status = devmgrLogLevelGet() != 6 ? 1 : truncate(kLogLevelPath, 0) != 0 ? 2 : 0;
        devmgrLog(3, "[%s:%d] after the cut\n", "test", 1);
        status = status != 0 ? status : devmgrLogLevelGet() == 6 ? 0 : 3;
        writeFile(kLogLevelPath, "7\n");
        status = status != 0 ? status : devmgrLogLevelGet() == 7 ? 0 : 4;
        devmgrLogClose();
        _exit(status);
    }
    EXPECT_EQ(statusOf(pid), 0);
    EXPECT_NE(readFile("/tmp/brisk.log").find("after the cut"), std::string::npos);
}

// Logs lines past the rotation size in a process of its own, with the log
// facility as the program uses it, its standard output to /tmp/stdout.
void logPastTheLimit(int lines)
{
    pid_t const pid = fork();
    if (pid == 0) {
        int out = open("/tmp/stdout", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        devmgrLogOpen(LOG_MODE_FILE, 8, "orla_cgi");
        for (int i = 0; i < lines; ++i)
            devmgrLog(3, "[%s:%d] %s\n", "test", i, std::string(4096, 'l').c_str());
        devmgrLogClose();
        _exit(0);
    }
    EXPECT_EQ(statusOf(pid), 0);
}

// Rotation while another account takes the names it uses: the log stays
// bounded, and no line reaches standard output (an HTTP reply).
TEST_F(HostileLocal, RotationWithTheNamesTaken)
{
    Attack const kAttacks[] = {
        { "old log taken, a file: the log is emptied where it is",
          [] {
              asNobody("echo mine > /tmp/brisk.log.old");
              writeFile("/tmp/brisk.log", "");
              ASSERT_EQ(truncate("/tmp/brisk.log", kLogRotateSize - 10), 0);
              logPastTheLimit(3);
              EXPECT_LT(std::filesystem::file_size("/tmp/brisk.log"), 3u * 4200);
              EXPECT_EQ(readFile("/tmp/brisk.log.old"), "mine\n");
              EXPECT_EQ(readFile("/tmp/stdout"), "");
          } },
        { "old log taken, a directory: the log stays bounded over many rotations",
          [] {
              asNobody("mkdir /tmp/brisk.log.old && touch /tmp/brisk.log.old/keep");
              logPastTheLimit(600); // 2.4 MiB
              EXPECT_LE(std::filesystem::file_size("/tmp/brisk.log"), uintmax_t(kLogRotateSize) + 4200);
              EXPECT_EQ(readFile("/tmp/stdout"), "");
          } },
        { "log name taken while the rotating request is held between its calls",
          [] {
              if (getenv("MGMT_TEST_CGI") != nullptr)
                  return;
              writeFile("/tmp/devmgr_log_level", std::string("7\0\0\0", 4));
              writeFile("/tmp/brisk.log", "");
              ASSERT_EQ(truncate("/tmp/brisk.log", kLogRotateSize - 10), 0);
              // The attacker makes the log's name whenever it is free.
              pid_t const taker = fork();
              if (taker == 0)
                  _exit(runAs(kNobody, "end=$(($(date +%s) + 4)); while [ $(date +%s) -lt $end ]; do"
                                       " (set -o noclobber; : > /tmp/brisk.log) 2>/dev/null; done; true"));
              // Every open of the log waits a second.
              EXPECT_EQ(runTraced({ "-P", "/tmp/brisk.log", "-e", "inject=openat:delay_enter=1000000" }, "GET",
                                  kBeacon, kAdminToken, "", "/tmp/stdout"),
                        0);
              EXPECT_EQ(statusOf(taker), 0);
              EXPECT_EQ(readFile("/tmp/stdout"), kBeaconReply);
              struct stat st {};
              EXPECT_EQ(stat("/tmp/brisk.log", &st) == 0 ? st.st_uid : 1u, 0u);
          } },
    };
    replayAll(kAttacks);
}

// A process killed at any point of its session refresh (at the write of the
// new content, at the cut to its length) leaves a session that still works.
TEST_F(HostileLocal, KilledDuringTheRefreshTheSessionStays)
{
    if (getenv("MGMT_TEST_CGI") != nullptr)
        GTEST_SKIP() << "kills at system calls of the built program only";
    // The level byte in place, so that the refresh makes the first pwrite and
    // the first ftruncate; the stamp written long, so that the new content is
    // shorter and the file is cut.
    writeFile("/tmp/devmgr_log_level", std::string("6\0\0\0", 4));
    for (std::string const point : { "pwrite64", "ftruncate" }) {
        SCOPED_TRACE(point);
        writeSession("t", "admin\n0000000000000000\nt");
        EXPECT_EQ(runTraced({ "-e", "inject=" + point + ":when=1:error=EIO:signal=KILL" }, "GET", kBeacon, "t"),
                  128 + SIGKILL);
        std::string const session = readFile("/tmp/session/t");
        EXPECT_EQ(run({ .uri = kBeacon, .token = "t" }).out, kBeaconReply) << session;
    }
}

// The stand-in's writers killed before their rename leave new files behind:
// the next change removes those of dead processes and keeps those of live
// ones; and the new file is on disk before it takes the name, the name after.
TEST_F(HostileLocal, StandInTemporariesOfDeadWritersGoAndChangesAreSynced)
{
    constexpr char kTimeout[] = "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout";
    constexpr char kTimeoutBody[] = "{\"timeout\": 37}";
    EXPECT_EQ(run({ .uri = kBeacon }).out, kBeaconReply); // the state file is made
    std::string const stateBefore = readFile(kStatePath);
    pid_t const dead = fork();
    if (dead == 0)
        _exit(0);
    statusOf(dead);
    std::string const temp = std::string(kStatePath) + ".tmp.";
    std::string const deadTemp = temp + std::to_string(dead), liveTemp = temp + std::to_string(getpid());
    for (auto const& path : { deadTemp, liveTemp, temp + "x1" })
        writeFile(path, "{");

    if (getenv("MGMT_TEST_CGI") != nullptr) {
        EXPECT_EQ(put(kTimeout, kTimeoutBody).status, 0);
    } else {
        // The order of the calls that make the change durable.
        EXPECT_EQ(runTraced({ "-o", "/tmp/calls", "-e", "trace=fsync,rename" }, "PUT", kTimeout, kAdminToken,
                            kTimeoutBody),
                  0);
        std::string const calls = readFile("/tmp/calls");
        EXPECT_TRUE(std::regex_search(calls, std::regex("fsync\\([0-9]+\\) += 0\\nrename\\(\"/tmp/swsim/state\\.json"
                                                        "\\.tmp\\.[0-9]+\", \"/tmp/swsim/state\\.json\"\\) += 0\\n"
                                                        "fsync\\([0-9]+\\) += 0\\n")))
            << calls;
    }
    EXPECT_FALSE(exists(deadTemp));
    EXPECT_TRUE(exists(liveTemp));
    EXPECT_TRUE(exists(temp + "x1"));
    EXPECT_NE(readFile(kStatePath), stateBefore);
}

} // namespace
