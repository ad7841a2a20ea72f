#include "rpc_client.h"

#include "../bounded_text.h"
#include "../log.h"
#include "../values.h"

#include <unistd.h>

OpenClientHandle clientHandle;

namespace {

bool g_serviceGone = false;

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

    // "%s_%d" with the name and the process id, cut as snprintf cuts it to
    // 100 bytes; put together by hand, since printf's machinery costs every
    // request more than the rest of the registration.
    BoundedText<100> clientName(name);
    clientName.add("_");
    clientName.add(static_cast<long>(getpid()));
    int result = openapiClientRegister(clientName.text, handle);
    if (result != 0) {
        DEVMGR_LOG(3, "\nFailed to initialize RPC to switch. Exiting (result = %d)\n", result);
        return -1;
    }
    DEVMGR_LOG(7, "Register RPC to switch success. (client name = %s)\n", clientName.text);

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
