#include "harness.h"

#include "../tools/json.h"
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace harness {
namespace {

// Where the host's /tmp stays reachable once a test's own tmpfs covers /tmp:
// a build that lives under /tmp is run from here.
constexpr char kHostTmp[] = "/mnt/host-tmp";

long long nowMs()
{
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

std::vector<std::string> environment(Request const& r)
{
    std::vector<std::string> env { std::string("SWSIM_TRACE=") + kTracePath, "TZ=UTC" };
    if (!r.unsetUri)
        env.push_back("REQUEST_URI=" + r.uri);
    if (!r.unsetMethod)
        env.push_back("REQUEST_METHOD=" + r.method);
    if (r.body && !r.contentLength)
        env.push_back("CONTENT_LENGTH=" + std::to_string(r.body->size()));
    for (auto const& [name, value] : { std::pair { "QUERY_STRING=", &r.query }, { "CONTENT_LENGTH=", &r.contentLength },
                                       { "HTTP_SESSION=", &r.token }, { "HTTP_REFRESH=", &r.refresh }, { "SWSIM_FAULTS=", &r.faults } })
        if (*value)
            env.push_back(name + **value);
    return env;
}

// Moves this process into a new time namespace whose boot and monotonic
// clocks run the given seconds ahead: what the program reads as its uptime.
bool enterClockAhead(long seconds)
{
    if (unshare(CLONE_NEWTIME) != 0)
        return false;
    std::string const offsets = "boottime " + std::to_string(seconds) + " 0\nmonotonic " + std::to_string(seconds)
                                + " 0\n";
    int fd = open("/proc/self/timens_offsets", O_WRONLY | O_CLOEXEC);
    bool const set = fd >= 0 && write(fd, offsets.data(), offsets.size()) == static_cast<ssize_t>(offsets.size());
    if (fd >= 0)
        close(fd);
    int ns = open("/proc/self/ns/time_for_children", O_RDONLY | O_CLOEXEC);
    bool const entered = set && ns >= 0 && setns(ns, CLONE_NEWTIME) == 0;
    if (ns >= 0)
        close(ns);
    return entered;
}

} // namespace

// The program given, or else MGMT_TEST_CGI when set: another program to run
// in place of the built one, such as a wrapper that runs a cross-built
// program under an emulator.
std::string programPath(std::string const& program)
{
    char const* const chosen = getenv("MGMT_TEST_CGI");
    std::string path = !program.empty()                       ? program
                       : chosen != nullptr && *chosen != '\0' ? chosen
                                                              : MGMT_CGI_PATH;
    if (path.rfind("/tmp/", 0) == 0)
        path = kHostTmp + path.substr(4);
    return path;
}

// Standard input, output and error are memory files: the body lies there
// before the program starts, and what it wrote is read once it has ended or
// been killed at the time limit.
Result run(Request const& request)
{
    int const in = memfd_create("stdin", MFD_CLOEXEC), out = memfd_create("stdout", MFD_CLOEXEC),
              err = memfd_create("stderr", MFD_CLOEXEC);
    std::string const body = request.body.value_or("");
    if (in < 0 || out < 0 || err < 0 || write(in, body.data(), body.size()) != static_cast<ssize_t>(body.size())
        || lseek(in, 0, SEEK_SET) != 0)
        return {};
    std::vector<std::string> env = environment(request);
    std::vector<char*> envp;
    for (auto& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::string const program = programPath(request.program);
    pid_t pid = fork();
    if (pid == 0) {
        if (request.bootClockAhead != 0 && !enterClockAhead(request.bootClockAhead))
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        char* argv[] = { const_cast<char*>("management_v2.cgi"), nullptr };
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    int const ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    struct pollfd watch { ended, POLLIN, 0 };
    long long const deadline = nowMs() + request.timeoutSeconds * 1000LL;
    int ready = 1;
    while (ended >= 0 && (ready = poll(&watch, 1, static_cast<int>(std::max(0LL, deadline - nowMs())))) < 0 && errno == EINTR) {
    }
    if (ready <= 0)
        kill(pid, SIGKILL);
    Result result;
    result.status = statusOf(pid);
    for (auto [fd, into] : { std::pair { out, &result.out }, { err, &result.err } }) {
        char chunk[65536];
        lseek(fd, 0, SEEK_SET);
        for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;)
            into->append(chunk, static_cast<size_t>(n));
    }
    for (int fd : { in, out, err, ended })
        if (fd >= 0)
            close(fd);
    return result;
}

Result get(std::string const& uri, std::optional<std::string> query) { return run({ .uri = uri, .query = std::move(query) }); }
Result put(std::string const& uri, std::string const& body) { return run({ .method = "PUT", .uri = uri, .body = body }); }
Result post(std::string const& uri, std::string const& body) { return run({ .method = "POST", .uri = uri, .body = body }); }

std::string message(int code)
{
    switch (code) {
    case 0: return "Success";
    case 10000: return "General Failed";
    case 10003: return "Invalid argument";
    case 10007: return "Permission denied";
    case 10011: return "Object exist";
    case 10023: return "Request api not found";
    case 10024: return "HTTP method is not suported for this request";
    case 12001: return "User name or password is incorrect";
    case 12002: return "Change default password";
    case 12003: return "User lockout when login fail more than 5 time, please try again in 5 minutes";
    case 17002: return "Unsupported Feature";
    default: return "Error code unknown";
    }
}

std::string envelope(int code, std::string const& message, char const* group, char const* data)
{
    Json const root(cJSON_CreateObject());
    if (code == 0 && group != nullptr && data != nullptr)
        cJSON_AddItemToObject(root.get(), group, cJSON_Parse(data));
    cJSON* resp = cJSON_AddObjectToObject(root.get(), "resp");
    cJSON_AddNumberToObject(resp, "respCode", code);
    cJSON_AddStringToObject(resp, "respMsg", message.c_str());
    cJSON_AddStringToObject(resp, "status", code == 0 ? "success" : "fail");
    return JsonText(cJSON_Print(root.get())).get();
}

std::string getReply(int code, std::string const& message, char const* group, char const* data)
{
    return kJsonHeader + envelope(code, message, group, data);
}
std::string setReply(int code, std::string const& message) { return kJsonHeader + envelope(code, message) + "\n"; }

std::vector<std::string> trace()
{
    std::vector<std::string> lines;
    std::istringstream in(readFile(kTracePath));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> handlerCalls()
{
    static std::set<std::string> const kFrame = {
        "l7proc_crashlog_register", "openapiClientRegister", "rpcclt_openapiConnectivityCheck",
        "rpcclt_openapiNetworkOSVersionGet", "rpcclt_openapiApiVersionGet", "openapiClientTearDown",
    };
    std::vector<std::string> calls;
    for (auto const& line : trace()) // {"call":"NAME",...
        if (line.rfind("{\"call\":\"", 0) != 0 || !kFrame.contains(line.substr(9, line.find("\",", 9) - 9)))
            calls.push_back(line);
    return calls;
}

void clearTrace() { unlink(kTracePath); }

std::string readFile(std::string const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

void writeFile(std::string const& path, std::string const& content) { std::ofstream(path, std::ios::binary) << content; }

bool exists(std::string const& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

void writeSession(std::string const& token, std::string const& content)
{
    mkdir("/tmp/session", 0700);
    writeFile("/tmp/session/" + token, content);
}

int statusOf(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int runAs(uid_t uid, std::string const& script)
{
    pid_t const pid = fork();
    if (pid == 0) {
        std::string const id = std::to_string(uid);
        execl("/usr/bin/setpriv", "setpriv", "--reuid", id.c_str(), "--regid", id.c_str(), "--clear-groups", "/bin/sh",
              "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return statusOf(pid);
}

void fillTmp()
{
    int filler = open("/tmp/filler", O_WRONLY | O_CREAT, 0600);
    std::string const block(4096, 'x');
    while (write(filler, block.data(), block.size()) > 0) {
    }
    close(filler);
}

long uptime()
{
    struct sysinfo info {};
    sysinfo(&info);
    return info.uptime;
}

void CgiTest::SetUp()
{
    // A fresh tmpfs over /tmp for every test, inside the private mount
    // namespace the test program made for itself.
    ASSERT_EQ(mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777,size=256m"), 0) << strerror(errno);
    writeSession(kAdminToken, std::string("admin\n0\n") + kAdminToken);
}

void CgiTest::TearDown()
{
    umount2("/tmp", MNT_DETACH);
}

} // namespace harness

// The tests never touch the host's /tmp: the program is made to run in a
// mount namespace of its own before any test starts.
int main(int argc, char** argv)
{
    signal(SIGPIPE, SIG_IGN);
    auto const fail = [](char const* what) {
        fprintf(stderr, "cannot %s: %s\n", what, strerror(errno));
        return 1;
    };
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    if (!listing) {
        if (unshare(CLONE_NEWNS) != 0) {
            uid_t const uid = getuid();
            gid_t const gid = getgid();
            if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                return fail("make a private mount namespace");
            harness::writeFile("/proc/self/setgroups", "deny");
            harness::writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
            harness::writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return fail("make mounts private");
        // Keep the host's /tmp reachable (the build may live there) before
        // each test covers /tmp with its own.
        mkdir("/mnt", 0755);
        if (mount("tmpfs", "/mnt", "tmpfs", 0, "mode=0755,size=1m") != 0 || mkdir(harness::kHostTmp, 0755) != 0
            || mount("/tmp", harness::kHostTmp, nullptr, MS_BIND | MS_REC, nullptr) != 0)
            return fail("keep the host's /tmp reachable");
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
