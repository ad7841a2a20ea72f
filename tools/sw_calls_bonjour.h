// The switch's Bonjour calls: the publishing switches and the table of
// services the switch offers for publishing.
#pragma once

#include "sw_calls.h"

extern "C" {

// What a service is, as the switch codes it. Codes arrive from the library,
// so a record holds the raw number and any value may be found there.
enum BonjourServiceType : uint32_t {
    kBonjourServiceGeneric = 0,
    kBonjourServiceHttp = 1,
    kBonjourServiceHttps = 2,
    kBonjourServiceTelnet = 3,
    kBonjourServiceSsh = 4,
    kBonjourServiceLast = 5,
};

// One service. Texts are terminated within their fields; numbers are in the
// machine's byte order.
struct BonjourServiceEntry {
    uint32_t service; // a BonjourServiceType code
    uint32_t published; // 1: published
    char serviceName[64];
    char serviceType[1005];
    char serviceDomain[1005];
    uint8_t padding[2]; // named, so that zero-filling the record covers it
    uint32_t servicePort;
    char serviceText[256];
};

int rpcclt_openapiBonjourAdminModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiBonjourAdminModeGet(OpenClientHandle* handle, uint32_t* mode);
int rpcclt_openapiBonjourDebugLevel1Set(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiBonjourDebugLevel1Get(OpenClientHandle* handle, uint32_t* mode);
int rpcclt_openapiBonjourDebugLevel2Set(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiBonjourDebugLevel2Get(OpenClientHandle* handle, uint32_t* mode);

// The entry names a service on entry and holds the one after it on return.
int rpcclt_openapiBonjourPublishedServiceGetNext(OpenClientHandle* handle, BonjourServiceEntry* entry);
// The entry's service code and name select a service; it is filled whole.
int rpcclt_openapiBonjourPublishedServiceGet(OpenClientHandle* handle, BonjourServiceEntry* entry);
int rpcclt_openapiBonjourServiceIndexGetNext(OpenClientHandle* handle, uint32_t index, uint32_t* nextIndex);
int rpcclt_openapiBonjourServiceGetByIndex(OpenClientHandle* handle, uint32_t index, BonjourServiceEntry* entry);

} // extern "C"

static_assert(sizeof(BonjourServiceEntry) == 2344 && alignof(BonjourServiceEntry) == 4);
static_assert(offsetof(BonjourServiceEntry, service) == 0);
static_assert(offsetof(BonjourServiceEntry, published) == 4);
static_assert(offsetof(BonjourServiceEntry, serviceName) == 8);
static_assert(offsetof(BonjourServiceEntry, serviceType) == 72);
static_assert(offsetof(BonjourServiceEntry, serviceDomain) == 1077);
static_assert(offsetof(BonjourServiceEntry, padding) == 2082);
static_assert(offsetof(BonjourServiceEntry, servicePort) == 2084);
static_assert(offsetof(BonjourServiceEntry, serviceText) == 2088);
