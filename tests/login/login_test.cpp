// The login program as the web server runs it, through the real PAM library
// (pam_matrix, accounts from /tmp/passdb) and account files of the tests' own;
// the sessions it writes are then tried on the management program.
#include "harness.h"

#include "../../cgi/login/login.h"
#include "../../tools/json.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

using namespace harness;

constexpr char kLoginHeader[] = "Content-Type: application/json\r\nCache-Control: no-store\r\n\r\n";
constexpr char kWebMode[] = "/api/v2/mgmt/webmgmt/sw-dev-ctrl-web-mgmt-mode";
constexpr char kMaxSessions[] = "/api/v2/mgmt/webmgmt/cli-web-http-num-sessions";
constexpr char kBeaconMode[] = "/api/v2/mgmt/beacon/mode";

std::string const kLongName(64, 'n');
std::string const kLongPassword(128, 'p');

// Accounts, each with the password "NAME-pw": admin; alice in the read-write
// group's member list; dave with it as his primary group; bob in no group;
// carol, whose password has expired; and the longest name and password.
std::string const kPassDb = [] {
    std::string passdb = kLongName + ":" + kLongPassword + ":" MGMT_LOGIN_PAM_SERVICE "\n";
    for (char const* user : { "admin", "alice", "dave", "bob", "carol" })
        passdb += std::string(user) + ":" + user + "-pw:" MGMT_LOGIN_PAM_SERVICE "\n";
    return passdb;
}();

void mountOrFail(char const* source, char const* target, char const* type, unsigned long flags)
{
    if (mount(source, target, type, flags, type != nullptr ? "mode=0755,size=1m" : nullptr) != 0) {
        fprintf(stderr, "cannot mount %s: %s\n", target, strerror(errno));
        abort();
    }
}

constexpr char kPamHook[] = "/mnt/login/pam-hook";

// The machine's account files with the test accounts added, and a PAM
// service of the tests' own, in this test program's mount namespace only.
class PamEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        mkdir("/mnt/login", 0755);
        mountOrFail("tmpfs", "/mnt/login", "tmpfs", 0);
        writeFile("/mnt/login/group", readFile("/etc/group") + MGMT_LOGIN_RW_GROUP ":x:64999:carol,alice\n");
        std::string accounts = "dave:x:64998:64999::/nonexistent:/bin/false\n"; // uid and group differ
        for (std::string const& user : { std::string("alice"), std::string("bob"), std::string("carol"), kLongName })
            accounts += user + ":x:64997:65534::/nonexistent:/bin/false\n";
        writeFile("/mnt/login/passwd", readFile("/etc/passwd") + accounts);
        mountOrFail("/mnt/login/group", "/etc/group", nullptr, MS_BIND);
        mountOrFail("/mnt/login/passwd", "/etc/passwd", nullptr, MS_BIND);
        mountOrFail("tmpfs", "/etc/pam.d", "tmpfs", 0);
        // While /tmp/pam-hold exists, PAM stops in a hook (its pid in
        // /tmp/pam-held) until the test ends the login.
        writeFile(kPamHook, "#!/bin/sh\n[ -e /tmp/pam-hold ] || exit 0\n"
                            "echo $$ > /tmp/pam-held.new && mv /tmp/pam-held.new /tmp/pam-held\nexec sleep 60\n");
        chmod(kPamHook, 0755);
        // A failure takes a moment, as with the system's own modules, so
        // that attempts at once overlap; carol's password has expired.
        std::string const matrix = PAM_MATRIX_MODULE " passdb=/tmp/passdb\n";
        std::string const service = std::string("auth optional pam_exec.so quiet ") + kPamHook + "\n"
                                    "auth optional pam_faildelay.so delay=200000\n"
                                    "auth required " + matrix
                                    + "account [success=1 default=ignore] pam_succeed_if.so quiet user notin carol\n"
                                      "account requisite pam_debug.so acct=new_authtok_reqd\n"
                                      "account required " + matrix;
        writeFile("/etc/pam.d/" MGMT_LOGIN_PAM_SERVICE, service);
    }
};

[[maybe_unused]] ::testing::Environment* const g_pam = ::testing::AddGlobalTestEnvironment(new PamEnvironment);

std::string body(std::string const& userName, std::string const& password)
{
    Json const root(cJSON_CreateObject());
    cJSON_AddStringToObject(root.get(), "userName", userName.c_str());
    cJSON_AddStringToObject(root.get(), "password", password.c_str());
    return JsonText(cJSON_PrintUnformatted(root.get())).get();
}

// A request of the login program, without a token.
Result toLogin(Request request)
{
    request.uri = "/api/v2/login";
    request.token = std::nullopt;
    request.program = MGMT_LOGIN_CGI_PATH;
    return run(request);
}

std::string login(std::string const& userName, std::string const& password, long clockAhead = 0)
{
    return toLogin({ .method = "POST", .body = body(userName, password), .bootClockAhead = clockAhead }).out;
}

std::string logout(std::optional<std::string> token)
{
    return run({ .method = "DELETE", .uri = "/api/v2/login", .token = token, .program = MGMT_LOGIN_CGI_PATH }).out;
}

// A status-only answer of the login program, byte for byte.
std::string answer(int code) { return kLoginHeader + envelope(code, message(code)) + "\n"; }

// What a successful login answered: its token and privilege, after checking
// every byte of the reply around them; empty for any other answer.
struct Granted {
    std::string token;
    std::string privilege;
};

Granted granted(std::string const& text)
{
    Json const root(text.rfind(kLoginHeader, 0) == 0 ? cJSON_Parse(text.c_str() + strlen(kLoginHeader)) : nullptr);
    cJSON const* group = cJSON_GetObjectItemCaseSensitive(root.get(), "login");
    char const* token = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(group, "token"));
    char const* privilege = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(group, "privilege"));
    if (token == nullptr || privilege == nullptr)
        return {};
    std::string const data = std::string("{\"token\":\"") + token + "\",\"privilege\":\"" + privilege + "\"}";
    return text == kLoginHeader + envelope(0, "Success", "login", data.c_str()) ? Granted { token, privilege } : Granted {};
}

std::string sessionPath(std::string const& token) { return "/tmp/session/" + token; }

std::string getWith(std::string const& token) { return run({ .uri = kBeaconMode, .token = token }).out; }

std::string const kUnsupportedGet = getReply(17002, "Unsupported Feature");

class LoginTest : public CgiTest {
protected:
    void SetUp() override
    {
        CgiTest::SetUp();
        // Made before the server starts, as the session directory is.
        mkdir("/tmp/login-lockout", 0700);
        writeFile("/tmp/passdb", kPassDb);
        // Every log line, the debug ones too.
        writeFile("/tmp/devmgr_log_level", std::string("9\0\0\0", 4));
    }
};

// Each account logs in with its privilege, into a session file of the
// session check's format that the management program takes at once (what
// each privilege may do is the privilege table's, in dispatch_test).
TEST_F(LoginTest, AccountsLogInWithTheirPrivilege)
{
    struct Row {
        std::string user, password, privilege, line;
    } const rows[] = {
        { "admin", "admin-pw", "admin", "" },
        { "alice", "alice-pw", "read-write", "rw\n" },
        { "dave", "dave-pw", "read-write", "rw\n" },
        { "bob", "bob-pw", "read-only", "ro\n" },
        { kLongName, kLongPassword, "read-only", "ro\n" },
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.user);
        long const before = uptime();
        Granted const session = granted(login(row.user, row.password));
        long const after = uptime();
        ASSERT_EQ(session.privilege, row.privilege);
        ASSERT_EQ(session.token.size(), 32u);
        EXPECT_EQ(session.token.find_first_not_of("0123456789abcdef"), std::string::npos);

        std::string const content = readFile(sessionPath(session.token));
        bool stamped = false; // with the uptime during the login
        for (long at = before; at <= after; ++at)
            stamped |= content == row.user + "\n" + std::to_string(at) + "\n" + row.line + session.token;
        EXPECT_TRUE(stamped) << content;
        EXPECT_EQ(std::filesystem::status(sessionPath(session.token)).permissions(), std::filesystem::perms(0600));

        EXPECT_EQ(getWith(session.token), kUnsupportedGet);
    }
}

// Refused logins, byte for byte. Only a wrong password counts towards a
// lockout (the rows that do not come first, while bob has no lockout file),
// and neither a password nor a body reaches the log.
TEST_F(LoginTest, RefusedLoginsAnswerAsTheyShould)
{
    std::string const bobLogin = body("bob", "bob-pw");
    struct Row {
        char const* what;
        std::optional<std::string> text;
        int want;
        std::optional<std::string> length = {};
        char const* method = "POST";
    } const rows[] = {
        { "no body", std::nullopt, 10003 },
        { "not JSON", "userName=bob&password=bob-pw", 10003 },
        { "no password", R"({"userName": "bob"})", 10003 },
        { "name a number", R"({"userName": 7, "password": "bob-pw"})", 10003 },
        { "empty name", body("", "bob-pw"), 10003 },
        { "name with a line end", body("bob\n0\nrw", "bob-pw"), 10003 },
        { "name of 65 bytes", body(kLongName + "n", kLongPassword), 10003 },
        { "password of 129 bytes", body(kLongName, kLongPassword + "p"), 10003 },
        { "longer than the limit", bobLogin + std::string(kLoginBodyLimit, ' '), 10003 },
        { "length beyond the body", bobLogin, 10003, std::to_string(bobLogin.size() + 10) },
        { "negative length", bobLogin, 10003, "-5" },
        { "length not a number", bobLogin, 10003, "12abc" },
        { "GET", bobLogin, 10024, {}, "GET" },
        { "right password, but it must be changed first", body("carol", "carol-pw"), 12002 },
        { "wrong password", body("bob", "wrong-pw"), 12001 },
        { "unknown account", body("zed", "bob-pw"), 12001 },
        { "empty password", body("bob", ""), 12001 },
        { "expired and wrong", body("carol", "wrong"), 12001 },
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.what);
        std::string const counted = readFile("/tmp/login-lockout/626f62"); // "bob"
        EXPECT_EQ(toLogin({ .method = row.method, .body = row.text, .contentLength = row.length }).out,
                  answer(row.want));
        if (row.want != 12001) {
            EXPECT_EQ(readFile("/tmp/login-lockout/626f62"), counted);
        }
    }
    EXPECT_EQ(granted(toLogin({ .method = "POST", .body = bobLogin + "  \n" }).out).privilege, "read-only");
    std::string const log = readFile("/tmp/brisk.log");
    for (char const* secret : { "wrong-pw", "bob-pw", "carol-pw" })
        EXPECT_EQ(log.find(secret), std::string::npos) << secret << " in\n" << log;
    EXPECT_NE(log.find("Login of user zed failed"), std::string::npos) << log;
}

// Five failures within five minutes lock the account, at once or one by one,
// a known one or not: even the right password is then refused until five
// minutes have passed on the clock the program reads; other accounts go on.
// Failures older than the window, or before a login, do not count.
TEST_F(LoginTest, LockoutCountsFailuresWithinFiveMinutes)
{
    struct Row {
        char const* what;
        std::string user;
        std::vector<long> failuresAt; // clock ahead, in seconds, of each failure
        std::vector<std::pair<long, int>> then; // the right password at these times: the answer
        bool together = false;        // the failures all at once
        bool clearedBetween = false;  // a right password after the fourth
        std::vector<long> agesBefore {}; // failures already in the file, seconds before the first
    } const rows[] = {
        { "five at once", "alice", { 0, 0, 0, 0, 0 }, { { 0, 12003 }, { 240, 12003 }, { kLockoutTime + 1, 0 } }, true },
        { "spread over six minutes", "bob", { 0, 90, 180, 270, 360 }, { { 360, 0 } } },
        { "a login between", "bob", { 0, 10, 20, 30, 40 }, { { 40, 0 } }, false, true },
        { "unknown account", "zed", { 0, 10, 20, 30, 40 }, { { 40, 12003 } } },
        // The window's edge, to the second.
        { "the first of five exactly 300 s before", "bob", { 0 }, { { 0, 0 } }, false, false, { 300, 225, 150, 75 } },
        { "the first of five 299 s before", "bob", { 0 }, { { 0, 12003 } }, false, false, { 299, 225, 150, 75 } },
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.what);
        renew();
        if (!row.agesBefore.empty()) {
            // Written just after the clock's second turns, so that the
            // failure that follows is stamped in the same second.
            long const start = uptime();
            while (uptime() == start)
                usleep(2000);
            std::string stamps = "0";
            for (long age : row.agesBefore)
                stamps += " " + std::to_string(uptime() - age);
            writeFile("/tmp/login-lockout/626f62", stamps + "\n"); // "bob"
        }
        auto const fail = [&row](size_t i) { EXPECT_EQ(login(row.user, "wrong", row.failuresAt[i]), answer(12001)); };
        if (row.together) {
            together(row.failuresAt.size(), fail);
        } else {
            for (size_t i = 0; i < row.failuresAt.size(); ++i) {
                if (row.clearedBetween && i == 4) {
                    EXPECT_FALSE(granted(login(row.user, row.user + "-pw", row.failuresAt[i])).token.empty());
                }
                fail(i);
            }
        }
        for (auto const& [at, want] : row.then) { // a granted login as the answer 0
            std::string const reply = login(row.user, row.user + "-pw", at);
            EXPECT_EQ(granted(reply).token.empty() ? reply : answer(0), answer(want));
        }
        EXPECT_EQ(granted(login("admin", "admin-pw", row.then[0].first)).privilege, "admin");
        if (row.then[0].second != 0) {
            EXPECT_NE(readFile("/tmp/brisk.log").find("Login of user " + row.user + " refused: locked out"),
                      std::string::npos);
        }
    }
}

// With web management off nobody logs in; the session limit counts open
// sessions, expired ones not, and refuses the new login rather than closing
// an old one. A logout removes its own session and nothing else.
TEST_F(LoginTest, WebSettingsApplyAndLogoutRemovesOnlyItsSession)
{
    ASSERT_EQ(put(kWebMode, R"({"mode": "disable"})").out, setReply(0, "Success"));
    EXPECT_EQ(login("admin", "admin-pw"), answer(10007));
    EXPECT_EQ(login("bob", "wrong"), answer(10007));
    EXPECT_FALSE(exists("/tmp/login-lockout/626f62"));
    ASSERT_EQ(put(kWebMode, R"({"mode": "enable"})").out, setReply(0, "Success"));

    // The harness's admin session is open too.
    ASSERT_EQ(put(kMaxSessions, R"({"maxSession": 3})").out, setReply(0, "Success"));
    Granted const first = granted(login("bob", "bob-pw"));
    Granted const second = granted(login("alice", "alice-pw"));
    ASSERT_FALSE(first.token.empty() || second.token.empty());
    EXPECT_EQ(login("admin", "admin-pw"), answer(10007));
    EXPECT_NE(readFile("/tmp/brisk.log").find("Login of user admin refused: 3 sessions open, the limit is 3"),
              std::string::npos);
    EXPECT_EQ(getWith(first.token), kUnsupportedGet);
    EXPECT_EQ(getWith(second.token), kUnsupportedGet);

    // An expired session is closed, though its file is still there.
    writeSession(first.token, "bob\n" + std::to_string(uptime() - kSessionIdleLimit - 1) + "\nro\n" + first.token);
    EXPECT_FALSE(granted(login("admin", "admin-pw")).token.empty());
    EXPECT_EQ(login("dave", "dave-pw"), answer(10007));
    // A logout frees a place.
    EXPECT_EQ(logout(second.token), answer(0));
    EXPECT_FALSE(exists(sessionPath(second.token)));
    EXPECT_FALSE(granted(login("dave", "dave-pw")).token.empty());

    // Which names name a session is the management program's rule too
    // (hostile_test); here, one of each kind the logout takes or refuses.
    writeFile("/tmp/victim", "x");
    mkdir("/tmp/session/dir", 0700);
    symlink("/tmp/victim", "/tmp/session/link");
    writeFile("/tmp/session/.login.tmp", "x");
    for (char const* token : { second.token.c_str(), (char const*)nullptr, "../victim", "dir", "link", ".login.tmp" }) {
        SCOPED_TRACE(token != nullptr ? token : "(none)");
        EXPECT_EQ(logout(token != nullptr ? std::optional<std::string>(token) : std::nullopt), kForbidden);
    }
    for (char const* path : { "/tmp/victim", "/tmp/session/dir", "/tmp/session/link", "/tmp/session/.login.tmp" })
        EXPECT_TRUE(exists(path)) << path;
    EXPECT_EQ(getWith(kAdminToken), kUnsupportedGet);

    // The switch does not answer: no login.
    std::string const unanswered = R"({"rpcclt_openapiSwDevCtrlWebMgmtModeGet": -1})";
    EXPECT_EQ(toLogin({ .method = "POST", .body = body("admin", "admin-pw"), .faults = unanswered }).out, answer(10000));
}

// The directories the login side trusts must be its own: not a link, not
// writable by others; and it never makes them. The management program's rule
// too (hostile_local_test); here, each place the login side takes one.
TEST_F(LoginTest, UntrustedDirectoriesRefuseLogins)
{
    Attack const rows[] = {
        { "session directory a link", [] {
              ASSERT_EQ(system("rm -rf /tmp/session"), 0);
              mkdir("/tmp/elsewhere", 0700);
              symlink("/tmp/elsewhere", "/tmp/session");
          } },
        { "lockout directory group-writable", [] { chmod("/tmp/login-lockout", 0770); } },
        { "lockout directory missing", [] { rmdir("/tmp/login-lockout"); } },
        { "lockout file a link", [] {
              writeFile("/tmp/elsewhere-file", "");
              symlink("/tmp/elsewhere-file", "/tmp/login-lockout/626f62");
          } },
    };
    replayAll(rows, [] {
        bool const lockoutDir = exists("/tmp/login-lockout");
        EXPECT_EQ(login("bob", "bob-pw"), answer(10000));
        EXPECT_TRUE(!exists("/tmp/elsewhere") || std::filesystem::is_empty("/tmp/elsewhere")); // no session there
        EXPECT_EQ(readFile("/tmp/elsewhere-file"), "");
        EXPECT_EQ(exists("/tmp/login-lockout"), lockoutDir);
    });
}

// ---- attacks of another account on the box, and faults, replayed ----

TEST_F(LoginTest, HostileLocalAttacksAreRefused)
{
    Attack const attacks[] = {
        { "guesses whose clients hang up while PAM runs count all the same", [] {
              writeFile("/tmp/pam-hold", "");
              for (int i = 0; i < kLockoutFailures; ++i) {
                  Result hungUp;
                  std::thread attempt([&hungUp, i] {
                      hungUp = toLogin({ .method = "POST", .body = body("admin", "guess-" + std::to_string(i)) });
                  });
                  for (int wait = 0; wait < 5000 && !exists("/tmp/pam-held"); ++wait)
                      usleep(2000);
                  pid_t const hook = static_cast<pid_t>(atol(readFile("/tmp/pam-held").c_str()));
                  pid_t program = 0; // the hook's parent
                  sscanf(readFile("/proc/" + std::to_string(hook) + "/stat").c_str(), "%*d %*s %*c %d", &program);
                  kill(program, SIGTERM);
                  kill(hook, SIGKILL);
                  attempt.join();
                  EXPECT_EQ(hungUp.status, 128 + SIGTERM);
                  unlink("/tmp/pam-held");
              }
              unlink("/tmp/pam-hold");
              EXPECT_EQ(login("admin", "admin-pw"), answer(12003));
          } },
        { "a full /tmp: an attempt that cannot be counted is not made", [] {
              ASSERT_EQ(mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777,size=512k"), 0);
              writeSession(kAdminToken, std::string("admin\n0\n") + kAdminToken);
              mkdir("/tmp/login-lockout", 0700);
              writeFile("/tmp/passdb", kPassDb);
              EXPECT_FALSE(granted(login("bob", "bob-pw")).token.empty()); // the stand-in's files are made
              // Room for the log lines in the log file, none elsewhere.
              int log = open("/tmp/brisk.log", O_WRONLY | O_APPEND);
              EXPECT_EQ(fallocate(log, FALLOC_FL_KEEP_SIZE, 0, 1 << 16), 0);
              close(log);
              fillTmp();
              for (int i = 0; i < 7; ++i)
                  EXPECT_EQ(login("admin", "guess-" + std::to_string(i)), answer(10000));
              EXPECT_NE(readFile("/tmp/brisk.log").find("Login of user admin refused: the attempt could not be recorded"),
                        std::string::npos);
              umount2("/tmp", MNT_DETACH);
          } },
        { "the set-group-ID program run by another account: refused before PAM, nothing made", [] {
              struct group const* shadow = getgrnam("shadow");
              if (geteuid() != 0 || shadow == nullptr || access("/usr/bin/setpriv", X_OK) != 0) {
                  GTEST_LOG_(INFO) << "needs root and the group shadow: not replayed";
                  return;
              }
              // Before the server made its directories.
              ASSERT_EQ(system("rm -rf /tmp/session /tmp/login-lockout"), 0);
              mkdir("/tmp/gate", 0755);
              writeFile("/tmp/gate/login_v2.cgi", readFile(programPath(MGMT_LOGIN_CGI_PATH)));
              ASSERT_EQ(chown("/tmp/gate/login_v2.cgi", 0, shadow->gr_gid), 0);
              ASSERT_EQ(chmod("/tmp/gate/login_v2.cgi", 02755), 0);
              mkdir("/tmp/nobody", 0700);
              ASSERT_EQ(chown("/tmp/nobody", kNobody, kNobody), 0);
              auto const asNobody = [](std::string const& text) { // what the copy printed
                  writeFile("/tmp/login-body", text);
                  runAs(kNobody, "env -i REQUEST_METHOD=POST REQUEST_URI=/api/v2/login SWSIM_STATE=/tmp/nobody/state.json"
                                 " CONTENT_LENGTH=" + std::to_string(text.size())
                                 + " /tmp/gate/login_v2.cgi </tmp/login-body >/tmp/login-out");
                  return readFile("/tmp/login-out");
              };
              for (char const* password : { "admin-pw", "wrong" }) {
                  SCOPED_TRACE(password);
                  EXPECT_EQ(asNobody(body("admin", password)), kForbidden);
              }
              EXPECT_FALSE(exists("/tmp/session"));
              EXPECT_FALSE(exists("/tmp/login-lockout"));
              // The owner of its directory is the server account: served, in
              // the directories made for it.
              ASSERT_EQ(chown("/tmp/gate", kNobody, kNobody), 0);
              for (char const* dir : { "/tmp/session", "/tmp/login-lockout" }) {
                  mkdir(dir, 0700);
                  ASSERT_EQ(chown(dir, kNobody, kNobody), 0);
              }
              EXPECT_EQ(granted(asNobody(body("admin", "admin-pw"))).privilege, "admin");
          } },
        { "read-only logins at the limit keep admin out", [] {
              ASSERT_EQ(put(kMaxSessions, R"({"maxSession": 4})").out, setReply(0, "Success"));
              unlink(sessionPath(kAdminToken).c_str());
              int opened = 0;
              for (int i = 0; i < 6; ++i)
                  opened += !granted(login("bob", "bob-pw")).token.empty();
              EXPECT_EQ(opened, 3);
              EXPECT_EQ(granted(login("admin", "admin-pw")).privilege, "admin");
          } },
        { "session files of logins killed before they were written hold no place", [] {
              ASSERT_EQ(put(kMaxSessions, R"({"maxSession": 3})").out, setReply(0, "Success"));
              for (char const* token : { "killed-1", "killed-2", "killed-3" })
                  writeSession(token, "");
              EXPECT_EQ(getWith("killed-1"), kForbidden);
              EXPECT_FALSE(exists(sessionPath("killed-1")));
              EXPECT_FALSE(granted(login("bob", "bob-pw")).token.empty());
              EXPECT_FALSE(exists(sessionPath("killed-2")) || exists(sessionPath("killed-3")));
          } },
        { "lockout files of made-up names go once their window has passed", [] {
              using std::filesystem::directory_iterator;
              auto const files = [] { return std::distance(directory_iterator("/tmp/login-lockout"), {}); };
              for (int i = 0; i < 6; ++i)
                  EXPECT_EQ(login("made-up-" + std::to_string(i), "guess"), answer(12001));
              EXPECT_EQ(files(), 6);
              EXPECT_FALSE(granted(login("bob", "bob-pw", kLockoutWindow)).token.empty());
              EXPECT_EQ(files(), 0);
          } },
    };
    replayAll(attacks);
}

} // namespace
