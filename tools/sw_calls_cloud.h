// The switch's cloud management calls: the modes, the cloud server's URL and
// the proxy through which the switch reaches it.
#pragma once

#include "sw_calls.h"

extern "C" {

// How the proxy password is protected. Codes arrive from the library, so
// calls carry the raw number.
enum ProxyEncryptType : uint32_t {
    kPasswordEncryptNone = 0,
    kPasswordEncryptAes = 1,
    kPasswordEncryptMd5 = 2,
};

int rpcclt_openapiCloudManagedModeGet(OpenClientHandle* handle, uint32_t* mode);
int rpcclt_openapiCloudManagedModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiCloudManagedOperModeGet(OpenClientHandle* handle, uint32_t* mode);
int rpcclt_openapiCloudManagedOperModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiCloudManagedProxyIpGet(OpenClientHandle* handle, OpenInetAddr* address, uint32_t* port);
int rpcclt_openapiCloudManagedProxyIpSet(OpenClientHandle* handle, OpenInetAddr* address, uint32_t port);
int rpcclt_openapiCloudManagedProxyUserGet(OpenClientHandle* handle, OpenBuffDesc* user, uint32_t* encryptType,
                                           OpenBuffDesc* password);
int rpcclt_openapiCloudManagedProxyUserSet(OpenClientHandle* handle, OpenBuffDesc* user, uint32_t encryptType,
                                           OpenBuffDesc* password);
int rpcclt_openapiCloudManagedServerUrlGet(OpenClientHandle* handle, OpenBuffDesc* url);
int rpcclt_openapiCloudManagedServerUrlSet(OpenClientHandle* handle, OpenBuffDesc* url);

} // extern "C"
