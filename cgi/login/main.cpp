// login_v2.cgi: logs a user in with a password, or a session out, for the
// web interface. Exit status 0, or 255 when the switch RPC service could not
// be reached.
#include "login.h"

#include "../../tools/audit.h"

#include <sys/prctl.h>
#include <sys/resource.h>

int main()
{
    // A password is in this process's memory for a moment: never in a core.
    struct rlimit const noCore { 0, 0 };
    setrlimit(RLIMIT_CORE, &noCore);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    auditBegin();
    int const status = serveLogin();
    // Without an envelope the program refused a logout (403), or could not
    // reach the switch and answered nothing (the web server's 500).
    auditEnd("login_v2.cgi", status == 0 ? 403 : 500);
    return status;
}
