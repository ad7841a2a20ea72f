// The switch RPC client calls of the DNS client (settings, name servers,
// static hosts, lookup and cache) and of the address helpers that answer
// under the same group.
#pragma once

#include "sw_calls.h"

#include <cstddef>
#include <cstdint>

extern "C" {

// One entry of the DNS client's cache. Texts end with a NUL within their
// size; numbers are in machine byte order.
struct DnsDomainNameEntry {
    char hostName[255]; // the walk's cursor on the way in
    char rrName[257];
    uint32_t rrType;
    uint32_t rrIndex;
    uint32_t rrClass;
    uint32_t ttl;
    uint32_t ttlElapsed;
    uint32_t entryType; // DnsEntryType: the resource record type number
    OpenInetAddr hostAddr;
};

// DnsEntryType codes: the DNS resource record types the cache holds.
enum : uint32_t {
    kDnsEntryAddress = 1,
    kDnsEntryCname = 5,
    kDnsEntryPtr = 12,
    kDnsEntryIpv6Address = 28,
};

// Client settings.
int rpcclt_openapiDNSAdminModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiDNSAdminModeGet(OpenClientHandle* handle, uint32_t* mode);
int rpcclt_openapiDNSDefaultDomainNameSet(OpenClientHandle* handle, OpenBuffDesc* name);
int rpcclt_openapiDNSDefaultDomainNameGet(OpenClientHandle* handle, OpenBuffDesc* name);
int rpcclt_openapiDNSDefaultDomainNameDelete(OpenClientHandle* handle);
int rpcclt_openapiDNSDomainNameMaxSizeGet(OpenClientHandle* handle, uint32_t* size);
int rpcclt_openapiDNSDomainLabelMaximumSizeGet(OpenClientHandle* handle, uint32_t* size);

// Name servers. The walks take the previous server as cursor and replace it
// with the next one.
int rpcclt_openapiDNSIpNameServerAdd(OpenClientHandle* handle, OpenInetAddr* server);
int rpcclt_openapiDNSIpNameServerDelete(OpenClientHandle* handle, OpenInetAddr* server);
int rpcclt_openapiDNSIpNameServersNextGet(OpenClientHandle* handle, OpenInetAddr* server);
int rpcclt_openapiDNSIpNameServersWithPrefNextGet(OpenClientHandle* handle, OpenInetAddr* server,
                                                  uint32_t* preference);
int rpcclt_openapiDNSIpNameServersMaxSupportedGet(OpenClientHandle* handle, uint32_t* count);

// Static hosts, lookup and cache.
int rpcclt_openapiDNSStaticHostAddressMappingSet(OpenClientHandle* handle, OpenBuffDesc* hostName,
                                                 OpenInetAddr* address);
int rpcclt_openapiDNSStaticHostAddressMappingDelete(OpenClientHandle* handle, OpenBuffDesc* vrfName,
                                                    OpenBuffDesc* hostName, uint32_t family);
int rpcclt_openapiDNSStaticHostNextGet(OpenClientHandle* handle, OpenBuffDesc* hostName);
int rpcclt_openapiDNSStaticHostIpAddrGet(OpenClientHandle* handle, OpenBuffDesc* hostName, OpenInetAddr* address);
int rpcclt_openapiDNSStaticHostAddressMappingNextGet(OpenClientHandle* handle, OpenBuffDesc* vrfName,
                                                     OpenBuffDesc* hostName, OpenInetAddr* address);
int rpcclt_openapiDNSClientInetNameLookup(OpenClientHandle* handle, OpenBuffDesc* hostName, OpenBuffDesc* address);
int rpcclt_openapiDNSClientCacheHostClear(OpenClientHandle* handle, OpenBuffDesc* vrfName, uint32_t allHosts,
                                          OpenBuffDesc* hostName);
int rpcclt_openapiDnsDomainNameEntryNextGet(OpenClientHandle* handle, DnsDomainNameEntry* entry);

// Address helpers.
int rpcclt_openapiInetAddrGet(OpenClientHandle* handle, OpenBuffDesc* text, OpenInetAddr* address);
int rpcclt_openapiInetAddrMaxSizeGet(OpenClientHandle* handle, uint32_t* size);

} // extern "C"

static_assert(sizeof(DnsDomainNameEntry) == 556 && alignof(DnsDomainNameEntry) == 4);
static_assert(offsetof(DnsDomainNameEntry, rrName) == 255);
static_assert(offsetof(DnsDomainNameEntry, rrType) == 512);
static_assert(offsetof(DnsDomainNameEntry, rrIndex) == 516);
static_assert(offsetof(DnsDomainNameEntry, rrClass) == 520);
static_assert(offsetof(DnsDomainNameEntry, ttl) == 524);
static_assert(offsetof(DnsDomainNameEntry, ttlElapsed) == 528);
static_assert(offsetof(DnsDomainNameEntry, entryType) == 532);
static_assert(offsetof(DnsDomainNameEntry, hostAddr) == 536);
