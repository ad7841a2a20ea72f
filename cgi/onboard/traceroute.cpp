// Handlers under "/api/v2/mgmt/traceroute": every variant of the switch's
// traceroute. Texts are copied into fixed buffers and cut to fit; a count and
// the TTLs have defaults of their own when the member is missing.
#include "diag_families.h"
#include "routes.h"

namespace {

constexpr WordCode kSourceTypes[] = {
    { "traceroute_source_service_port", kDiagSourceServicePort },
    { "traceroute_source_network_port", kDiagSourceNetworkPort },
    { "traceroute_source_ip_port", kDiagSourceIpPort },
    { "traceroute_source_address", kDiagSourceAddress },
};
constexpr WordCode kSourceIntfs[] = { { "traceroute_source_intf_network_port", kDiagIntfNetworkPort } };

using Address = CutText<"address", 256>;
using Count = BodyNumber<"tracerouteCount", 3>;
using Interval = BodyNumber<"tracerouteInterval">;
using InitTtl = BodyNumber<"tracerouteInitTtl", 1>;
using MaxTtl = BodyNumber<"tracerouteMaxTtl", 30>;
using MaxFail = BodyNumber<"tracerouteMaxFail">;
using Size = BodyNumber<"tracerouteSize">;
using UdpPort = BodyNumber<"tracerouteUdpPort">;
using SrcIntfFlag = BodyCode<"srcIntf", kSourceIntfs, kDiagIntfServicePort>;
using SrcIntf = BodyNumber<"srcIntf">;
using Vrf = CutText<"vrfName", 16>;
using SrcType = BodyCode<"srcType", kSourceTypes, kDiagSourceNone>;
using SrcAddr = CutText<"srcAddr", 256>;

// The address variants answer into 4096 bytes, the sourced ones into 1024.
template <auto Run, typename... Args>
constexpr HttpdHandler trace = diagRun<"traceroute", DiagFailure::WithoutData, 4096, Run, Args...>;
template <auto Run, typename... Args>
constexpr HttpdHandler traceFrom = diagRun<"traceroute", DiagFailure::WithoutData, 1024, Run, Args...>;

constexpr RouteRow kRows[] = {
    { "address", kMethodPost, trace<rpcclt_openapiTracerouteAddress, Address> },
    { "address-with-count", kMethodPost, trace<rpcclt_openapiTracerouteAddressWithCount, Address, Count> },
    { "address-with-interval", kMethodPost, trace<rpcclt_openapiTracerouteAddressWithInterval, Address, Interval> },
    { "address-with-ttl", kMethodPost, trace<rpcclt_openapiTracerouteAddressWithTtl, Address, InitTtl, MaxTtl> },
    { "address-with-max-fail", kMethodPost, trace<rpcclt_openapiTracerouteAddressWithMaxFail, Address, MaxFail> },
    { "address-with-pdu-size", kMethodPost, trace<rpcclt_openapiTracerouteAddressWithPDUSize, Address, Size> },
    { "address-with-udp-port", kMethodPost, trace<rpcclt_openapiTracerouteAddressWithUdpPort, Address, UdpPort> },
    { "address-with-source-interface", kMethodPost,
      trace<rpcclt_openapiTracerouteAddressWithSourceInterface, Address, SrcIntfFlag> },
    { "address-explicit", kMethodPost,
      trace<rpcclt_openapiTracerouteAddressExplicit, Address, Count, Interval, InitTtl, MaxTtl, MaxFail, Size, UdpPort,
            SrcIntfFlag> },
    { "with-source", kMethodPost,
      traceFrom<rpcclt_openapiTracerouteWithSource, Vrf, Family, Address, SrcType, SrcIntf, SrcAddr> },
    { "traceroute", kMethodPost,
      traceFrom<rpcclt_openapiTraceroute, Vrf, Family, Address, Count, Interval, InitTtl, MaxTtl, MaxFail, Size, UdpPort,
                SrcType, SrcIntf, SrcAddr> },
};

} // namespace

constinit std::span<RouteRow const> const tracerouteRoutes = kRows;
constinit HttpdCContent* const tracerouteEntries = LinkedRows<kRows>::first();
