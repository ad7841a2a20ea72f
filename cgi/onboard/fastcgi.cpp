#include "fastcgi.h"

#include "entry.h"

#include "../../tools/audit.h"
#include "../../tools/cgi_input.h"
#include "../../tools/common/rpc_client.h"

#include <fcgiapp.h>
#include <malloc.h>
#include <signal.h>
#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

extern char** environ;

namespace {

// A FastCGI web server hands its application the listening socket as
// standard input.
constexpr int kListenSocket = 0;

// The request being served: its parameters, body and reply streams.
FCGX_Request g_request;

// Set by TERM or INT: the process ends once the request in hand is answered.
volatile sig_atomic_t g_stop = 0;

void onStop(int)
{
    g_stop = 1;
    FCGX_ShutdownPending();
}

// TERM and INT end the wait for the next request at once (accept is not
// restarted), but never a request half served: they are held back while one
// is, so that a session file is never left half rewritten.
void catchStopSignals(sigset_t& held)
{
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigemptyset(&held);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGINT);
}

// Standard output, which the dispatcher, the replies and the log's fallback
// write to, goes to the request's reply stream. Bytes that the web server no
// longer takes are dropped, as a CGI reply's would be: no error is kept from
// one request to the next.
ssize_t writeReply(void*, char const* bytes, size_t size)
{
    for (size_t done = 0; done < size;) {
        int const chunk = static_cast<int>(std::min<size_t>(size - done, INT_MAX));
        if (g_request.out == nullptr || FCGX_PutStr(bytes + done, chunk, g_request.out) != chunk)
            break;
        done += static_cast<size_t>(chunk);
    }
    return static_cast<ssize_t>(size);
}

bool replyToRequest()
{
    cookie_io_functions_t const io { nullptr, writeReply, nullptr, nullptr };
    FILE* reply = fopencookie(nullptr, "w", io);
    if (reply == nullptr)
        return false;
    stdout = reply;
    return true;
}

// The body comes from the request's input stream.
long readBody(char* buffer, size_t size)
{
    if (g_request.in == nullptr)
        return -1;
    return FCGX_GetStr(buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)), g_request.in);
}

// The environment a request is served in: the request's parameters (the
// CGI variables the web server sets), then the process's own environment,
// which the web server gives its FastCGI processes (the switch stand-in's
// settings among them); a name in both is the request's.
class RequestEnvironment {
public:
    RequestEnvironment()
        : m_process(environ)
    {
    }

    void enter(char** params)
    {
        m_merged.clear();
        for (char** entry = params; entry != nullptr && *entry != nullptr; ++entry)
            m_merged.push_back(*entry);
        for (char** entry = m_process; entry != nullptr && *entry != nullptr; ++entry)
            m_merged.push_back(*entry);
        m_merged.push_back(nullptr);
        environ = m_merged.data();
    }

    void leave() { environ = m_process; }

private:
    char** m_process;
    std::vector<char*> m_merged;
};

} // namespace

bool fastCgiListening()
{
    int listening = 0;
    socklen_t length = sizeof listening;
    return getsockopt(kListenSocket, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 && listening != 0;
}

int serveFastCgi(HttpdHandle& routes)
{
    // Large blocks (a big request body) always come from the system and go
    // back to it when freed, so that one request's body never stays behind
    // as the process's memory.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);

    int status = startServing(routes);
    if (status != 0)
        return status;
    if (FCGX_Init() != 0 || FCGX_InitRequest(&g_request, kListenSocket, FCGI_FAIL_ACCEPT_ON_INTR) != 0
        || !replyToRequest()) {
        stopServing();
        return 1;
    }
    sigset_t held;
    catchStopSignals(held);
    cgiBodySourceSet(readBody);
    auditDeferWrites();
    RequestEnvironment environment;

    while (status == 0) {
        sigprocmask(SIG_UNBLOCK, &held, nullptr);
        int const accepted = g_stop != 0 ? -1 : FCGX_Accept_r(&g_request);
        sigprocmask(SIG_BLOCK, &held, nullptr);
        if (accepted < 0)
            break;
        environment.enter(g_request.envp);
        clearerr(stdout);
        serveNext(routes);
        fflush(stdout);
        environment.leave();
        FCGX_Finish_r(&g_request);
        auditWritePending();
        // The reply is out before a new registration makes anyone wait.
        if (rpcServiceGone())
            status = registerAgain();
    }
    FCGX_Finish_r(&g_request);
    cgiBodySourceSet(nullptr);
    if (status == 0)
        stopServing();
    return status;
}
