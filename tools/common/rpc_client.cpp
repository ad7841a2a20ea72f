#include "rpc_client.h"

#include "../log.h"
#include "../values.h"

#include <unistd.h>

#include <cstdio>

OpenClientHandle clientHandle;

namespace {

bool g_serviceGone = false;

// "%s_%d" with the name and the process id, cut as snprintf cuts it to the
// buffer; formatted by hand, since printf's machinery costs every request
// more than the rest of the registration.
template <size_t N>
void formatClientName(char (&out)[N], char const* name, int pid)
{
    size_t length = 0;
    auto put = [&](char c) {
        if (length + 1 < N)
            out[length++] = c;
    };
    for (char const* c = name; *c != '\0' && length + 1 < N; ++c)
        put(*c);
    put('_');
    char digits[12];
    int count = 0;
    unsigned value = pid < 0 ? 0u - static_cast<unsigned>(pid) : static_cast<unsigned>(pid);
    do
        digits[count++] = static_cast<char>('0' + value % 10);
    while ((value /= 10) != 0);
    if (pid < 0)
        put('-');
    while (count > 0)
        put(digits[--count]);
    out[length] = '\0';
}

} // namespace

int rpcResultNote(int result)
{
    if (result == kRpcServiceGone)
        g_serviceGone = true;
    return result;
}

bool rpcServiceGone()
{
    return g_serviceGone;
}

void rpcServiceGoneClear()
{
    g_serviceGone = false;
}

int initHandler(char const* name, OpenClientHandle* handle)
{
    l7proc_crashlog_register();

    char clientName[100];
    formatClientName(clientName, name, static_cast<int>(getpid()));
    int result = openapiClientRegister(clientName, handle);
    if (result != 0) {
        DEVMGR_LOG(3, "\nFailed to initialize RPC to switch. Exiting (result = %d)\n", result);
        return -1;
    }
    DEVMGR_LOG(7, "Register RPC to switch success. (client name = %s)\n", clientName);

    // The service may still be starting: up to seven checks, three seconds apart.
    for (int check = 1;; ++check) {
        result = rpcclt_openapiConnectivityCheck(handle);
        if (result == 0)
            break;
        if (check == kConnectivityChecks)
            return -1;
        DEVMGR_LOG(4, "RPC call can fail until server starts. Keep trying (result = %d)\n", result);
        sleep(kConnectivityPauseSeconds);
    }

    OutText<100> version;
    OpenBuffDesc versionDesc = version.desc();
    if (rpcclt_openapiNetworkOSVersionGet(handle, &versionDesc) == 0)
        DEVMGR_LOG(7, "Network OS Version = %s\n", version.str());
    else
        DEVMGR_LOG(3, "Network OS Version retrieve error\n");

    OpenRevisionData api {};
    if (rpcclt_openapiApiVersionGet(handle, &api) == 0)
        DEVMGR_LOG(7, "Open API Version = %d.%d.%d.%d\n", api.release, api.version, api.maint_level, api.build_num);
    else
        DEVMGR_LOG(3, "Open API Version retrieve error\n");
    return 0;
}
