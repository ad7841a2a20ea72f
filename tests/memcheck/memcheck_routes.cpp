// Valgrind memcheck over one request of every registered route: each request
// runs the program under valgrind in a private /tmp of its own, with an
// admin session and the stand-in at factory defaults; POST and PUT send the
// body "{}". A route passes when valgrind finds no error and no byte
// definitely or indirectly lost, and the program answered with a JSON reply.
//
// Usage: memcheck_routes VALGRIND PROGRAM LOG_DIR [JOBS]
//        memcheck_routes --list     (every route as METHOD URL, in order)
#include "../../cgi/onboard/routes.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct Route {
    std::string method;
    std::string url;
};

std::string readFile(std::string const& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

// The child: a private /tmp, the session and the body there, then valgrind.
[[noreturn]] void runUnderValgrind(Route const& route, char const* valgrind, char const* program,
                                   std::string const& log, std::string const& out)
{
    auto const fail = [](char const* what) {
        perror(what);
        _exit(126);
    };
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777,size=64m") != 0)
        fail("memcheck_routes: a private /tmp");
    umask(077); // the session file readable by its owner only, as the session check wants it
    mkdir("/tmp/session", 0700);
    bool const withBody = route.method == "POST" || route.method == "PUT";
    if (!(std::ofstream("/tmp/session/memcheck") << "admin\n0\nmemcheck")
        || !(std::ofstream("/tmp/body") << (withBody ? "{}" : "")))
        fail("memcheck_routes: session and body");
    int body = open("/tmp/body", O_RDONLY);
    int reply = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (body < 0 || reply < 0 || dup2(body, 0) != 0 || dup2(reply, 1) != 1)
        fail("memcheck_routes: standard input and output");
    std::string const env[] = {
        "REQUEST_URI=" + route.url, "REQUEST_METHOD=" + route.method, "HTTP_SESSION=memcheck",
        std::string("CONTENT_LENGTH=") + (withBody ? "2" : "0"), "PATH=/usr/bin:/bin",
    };
    std::vector<char*> envp;
    for (auto const& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    std::string const logOption = "--log-file=" + log;
    char const* argv[] = { valgrind, "--tool=memcheck", "--error-exitcode=99", "--leak-check=full",
                           "--show-leak-kinds=definite,indirect", "--errors-for-leak-kinds=definite,indirect",
                           logOption.c_str(), program, nullptr };
    execve(valgrind, const_cast<char**>(argv), envp.data());
    perror("memcheck_routes: valgrind");
    _exit(127);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Route> all;
    for (RouteGroup const& group : routeTable())
        for (RouteRow const& row : group.rows)
            all.push_back({ httpdMethodName(row.method), std::string(group.basePath) + "/" + row.resource });
    if (argc == 2 && strcmp(argv[1], "--list") == 0) {
        for (Route const& route : all)
            printf("%s %s\n", route.method.c_str(), route.url.c_str());
        return 0;
    }
    if (argc < 4) {
        fprintf(stderr, "usage: memcheck_routes VALGRIND PROGRAM LOG_DIR [JOBS] | --list\n");
        return 2;
    }
    char const* valgrind = argv[1];
    char const* program = argv[2];
    std::string const logDir = argv[3];
    long const jobs = argc > 4 ? std::max(1L, strtol(argv[4], nullptr, 10)) : 2;
    mkdir(logDir.c_str(), 0755);

    std::map<pid_t, size_t> running;
    std::vector<int> statuses(all.size(), -1);
    size_t next = 0;
    while (next < all.size() || !running.empty()) {
        while (next < all.size() && static_cast<long>(running.size()) < jobs) {
            std::string const stem = logDir + "/" + std::to_string(next);
            pid_t pid = fork();
            if (pid < 0) {
                perror("memcheck_routes: fork");
                return 2;
            }
            if (pid == 0)
                runUnderValgrind(all[next], valgrind, program, stem + ".log", stem + ".out");
            running[pid] = next++;
        }
        int status = 0;
        pid_t done = wait(&status);
        if (done < 0)
            break;
        statuses[running[done]] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        running.erase(done);
    }

    size_t failed = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        std::string const stem = logDir + "/" + std::to_string(i);
        bool const replied = readFile(stem + ".out").rfind("Content-Type: application/json\r\n\r\n{", 0) == 0;
        if (statuses[i] == 0 && replied)
            continue;
        ++failed;
        printf("FAILED %s %s: exit %d%s; valgrind log %s.log\n", all[i].method.c_str(), all[i].url.c_str(),
               statuses[i], replied ? "" : ", no JSON reply", stem.c_str());
        fputs(readFile(stem + ".log").c_str(), stdout);
    }
    printf("memcheck: %zu routes, %zu clean, %zu failed\n", all.size(), all.size() - failed, failed);
    return failed == 0 ? 0 : 1;
}
