// login_v2.cgi: logs a user in with a password, or a session out, for the
// web interface. Exit status 0, or 255 when the switch RPC service could not
// be reached.
#include "login.h"

#include <sys/prctl.h>
#include <sys/resource.h>

int main()
{
    // A password is in this process's memory for a moment: never in a core.
    struct rlimit const noCore { 0, 0 };
    setrlimit(RLIMIT_CORE, &noCore);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    return serveLogin();
}
