// The switch RPC client library's calls and records, with their exact C
// layouts. Every call returns 0 on success and a negative result on failure.
// The calls of each endpoint group are declared in sw_calls_<group>.h.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// One client handle per process; only the library reads or writes its contents.
struct OpenClientHandle {
    alignas(8) unsigned char opaque[256];
};

// A text in either direction: size counts the terminator's room.
struct OpenBuffDesc {
    uint32_t size;
    char* pstart;
};

// IPv4: the 32-bit number (first octet most significant) in machine byte
// order, the other 12 bytes zero. IPv6: the 16 bytes in network order.
struct OpenInetAddr {
    uint32_t family;
    union {
        uint32_t ipv4;
        uint8_t ipv6[16];
    } addr;
};

struct OpenRevisionData {
    uint8_t release;
    uint8_t version;
    uint8_t maint_level;
    uint8_t build_num;
};

enum : uint32_t {
    kAfNone = 0,
    kAfInet = 1,
    kAfInet6 = 2,
};

int l7proc_crashlog_register(void);
int openapiClientRegister(char const* clientName, OpenClientHandle* handle);
int openapiClientTearDown(OpenClientHandle* handle);
int rpcclt_openapiConnectivityCheck(OpenClientHandle* handle);
int rpcclt_openapiNetworkOSVersionGet(OpenClientHandle* handle, OpenBuffDesc* version);
int rpcclt_openapiApiVersionGet(OpenClientHandle* handle, OpenRevisionData* version);

} // extern "C"

// Natural C alignment on every target: the library, built by its own
// compiler, lays the records out the same way. The descriptor's pointer sits
// after the 32-bit size at its own alignment: offset 8 on 64-bit targets,
// offset 4 on 32-bit ARM.
static_assert(sizeof(OpenClientHandle) == 256 && alignof(OpenClientHandle) == 8);
static_assert(offsetof(OpenBuffDesc, pstart) == alignof(char*));
static_assert(sizeof(OpenBuffDesc) == 2 * sizeof(char*) && alignof(OpenBuffDesc) == alignof(char*));
static_assert(sizeof(void*) != 8 || offsetof(OpenBuffDesc, pstart) == 8);
static_assert(sizeof(void*) != 4 || (offsetof(OpenBuffDesc, pstart) == 4 && sizeof(OpenBuffDesc) == 8));
static_assert(sizeof(OpenInetAddr) == 20 && alignof(OpenInetAddr) == 4);
static_assert(offsetof(OpenInetAddr, addr) == 4);
static_assert(sizeof(OpenRevisionData) == 4 && alignof(OpenRevisionData) == 1);
