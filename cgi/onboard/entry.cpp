#include "entry.h"

#include "routes.h"

#include "../../tools/audit.h"
#include "../../tools/cgi_input.h"
#include "../../tools/common/rpc_client.h"
#include "../../tools/log.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

constexpr char kProgramName[] = "management_v2.cgi";

void openLog()
{
    devmgrLogOpen(LOG_MODE_FILE, 8, "orla_cgi");
}

// The log as a process leaves it at its end, and as a new one finds it.
void closeLogAsAtExit()
{
    devmgrLogClose();
    devmgrLogReset();
}

// With the log open: registered with the switch RPC service. 0, or 255 with
// the log closed.
int registerClient()
{
    if (initHandler(kProgramName, &clientHandle) < 0) {
        devmgrLogClose();
        return 255;
    }
    return 0;
}

// Registered, and the tree, laid out when the program was built, joined up.
int registerAndBuild(HttpdHandle& routes)
{
    int const status = registerClient();
    if (status == 0)
        routes = builtRoutes();
    return status;
}

// The request served, with its audit record around it. A body the request
// was refused before reading is read for the record.
void serveAudited(HttpdHandle routes)
{
    auditBegin();
    httpdProcessRequest(routes);
    if (auditBodyWanted())
        cgiRequestRead();
    auditEnd(kProgramName, 500);
}

// The reply handed to the web server whole, its pipe closed so that the
// client has its answer at once, and only then the audit record written.
// A web server that has the whole reply may end the program (lighttpd
// sends SIGTERM): the record is written whole first.
void replyThenAudit()
{
    signal(SIGTERM, SIG_IGN);
    fflush(stdout);
    close(STDOUT_FILENO);
    auditWritePending();
}

} // namespace

int serveRequest(HttpdHandle& routes)
{
    // The reply is collected in a buffer of the program's own and written
    // when the process ends, as the standard output's own buffer would be,
    // without asking the system what the output is to size one.
    static char replyBuffer[4096];
    setvbuf(stdout, replyBuffer, _IOFBF, sizeof replyBuffer);
    openLog();
    auditDeferWrites();
    if (int const status = registerAndBuild(routes); status != 0) {
        auditBegin();
        auditEnd(kProgramName, 500);
        replyThenAudit();
        return status;
    }
    serveAudited(routes);
    openapiClientTearDown(&clientHandle);
    devmgrLogClose();
    replyThenAudit();
    return 0;
}

int startServing(HttpdHandle& routes)
{
    openLog();
    int const status = registerAndBuild(routes);
    if (status == 0)
        closeLogAsAtExit();
    return status;
}

void serveNext(HttpdHandle routes)
{
    openLog();
    serveAudited(routes);
    closeLogAsAtExit();
}

int registerAgain()
{
    openLog();
    openapiClientTearDown(&clientHandle);
    rpcServiceGoneClear();
    int const status = registerClient();
    if (status == 0)
        closeLogAsAtExit();
    return status;
}

void stopServing()
{
    openapiClientTearDown(&clientHandle);
}
