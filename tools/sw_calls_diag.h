// Ping and traceroute run by the switch. Each call runs the tool to its end
// and writes the tool's text, terminated, into the output buffer.
#pragma once

#include "sw_calls.h"

#include <cstdint>

extern "C" {

// Where a ping or traceroute is sent from.
enum : uint32_t {
    kDiagSourceServicePort = 0,
    kDiagSourceNetworkPort = 1,
    kDiagSourceIpPort = 2,
    kDiagSourceAddress = 3,
    kDiagSourceNone = 4,
};

// The source interface flag of the "address" variants.
enum : uint32_t {
    kDiagIntfServicePort = 0,
    kDiagIntfNetworkPort = 1,
};

int rpcclt_openapiPingAddress(OpenClientHandle* handle, OpenBuffDesc* address, OpenBuffDesc* output);
int rpcclt_openapiPingAddressWithCount(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t count,
                                       OpenBuffDesc* output);
int rpcclt_openapiPingAddressWithInterval(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t interval,
                                          OpenBuffDesc* output);
int rpcclt_openapiPingAddressWithPDUSize(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t size,
                                         OpenBuffDesc* output);
int rpcclt_openapiPingAddressWithSourceInterface(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t srcIntf,
                                                 OpenBuffDesc* output);
int rpcclt_openapiPingAddressExplicit(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t count,
                                      uint32_t interval, uint32_t size, uint32_t srcIntf, OpenBuffDesc* output);
int rpcclt_openapiPingWithSource(OpenClientHandle* handle, OpenBuffDesc* vrfName, uint32_t family,
                                 OpenBuffDesc* address, uint32_t srcType, uint32_t srcIntIfNum, OpenBuffDesc* srcAddr,
                                 OpenBuffDesc* output);
int rpcclt_openapiPing(OpenClientHandle* handle, OpenBuffDesc* vrfName, uint32_t family, OpenBuffDesc* address,
                       uint32_t count, uint32_t interval, uint32_t size, uint32_t srcType, uint32_t srcIntIfNum,
                       OpenBuffDesc* srcAddr, OpenBuffDesc* output);

int rpcclt_openapiTracerouteAddress(OpenClientHandle* handle, OpenBuffDesc* address, OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithCount(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t count,
                                             OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithInterval(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t interval,
                                                OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithTtl(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t initTtl,
                                           uint32_t maxTtl, OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithMaxFail(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t maxFail,
                                               OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithPDUSize(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t size,
                                               OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithUdpPort(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t udpPort,
                                               OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressWithSourceInterface(OpenClientHandle* handle, OpenBuffDesc* address,
                                                       uint32_t srcIntf, OpenBuffDesc* output);
int rpcclt_openapiTracerouteAddressExplicit(OpenClientHandle* handle, OpenBuffDesc* address, uint32_t count,
                                            uint32_t interval, uint32_t initTtl, uint32_t maxTtl, uint32_t maxFail,
                                            uint32_t size, uint32_t udpPort, uint32_t srcIntf, OpenBuffDesc* output);
int rpcclt_openapiTracerouteWithSource(OpenClientHandle* handle, OpenBuffDesc* vrfName, uint32_t family,
                                       OpenBuffDesc* address, uint32_t srcType, uint32_t srcIntIfNum,
                                       OpenBuffDesc* srcAddr, OpenBuffDesc* output);
int rpcclt_openapiTraceroute(OpenClientHandle* handle, OpenBuffDesc* vrfName, uint32_t family, OpenBuffDesc* address,
                             uint32_t count, uint32_t interval, uint32_t initTtl, uint32_t maxTtl, uint32_t maxFail,
                             uint32_t size, uint32_t udpPort, uint32_t srcType, uint32_t srcIntIfNum,
                             OpenBuffDesc* srcAddr, OpenBuffDesc* output);

} // extern "C"
