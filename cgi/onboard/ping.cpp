// Handlers under "/api/v2/mgmt/ping": every variant of the switch's ping.
// Texts go to the switch as they lie in the request body, uncut.
#include "diag_families.h"
#include "routes.h"

namespace {

constexpr WordCode kSourceTypes[] = {
    { "ping_source_service_port", kDiagSourceServicePort },
    { "ping_source_network_port", kDiagSourceNetworkPort },
    { "ping_source_ip_port", kDiagSourceIpPort },
    { "ping_source_address", kDiagSourceAddress },
};
constexpr WordCode kSourceIntfs[] = { { "ping_source_intf_network_port", kDiagIntfNetworkPort } };

using Address = TreeText<"address">;
using Count = BodyNumber<"pingCount">;
using Interval = BodyNumber<"pingInterval">;
using Size = BodyNumber<"pingSize">;
using SrcIntfFlag = BodyCode<"srcIntf", kSourceIntfs, kDiagIntfServicePort>;
using SrcIntf = BodyNumber<"srcIntf">;
using IntIfNum = QueryNumber<"intIfNum">;
using Vrf = TreeText<"vrfName">;
using SrcType = BodyCode<"srcType", kSourceTypes, kDiagSourceNone>;
using SrcAddr = TreeText<"srcAddr">;

template <auto Run, typename... Args>
constexpr HttpdHandler ping = diagRun<"ping", DiagFailure::StatusOnly, 2048, Run, Args...>;

constexpr RouteRow kRows[] = {
    { "address", kMethodPost, ping<rpcclt_openapiPingAddress, Address> },
    { "address-with-count", kMethodPost, ping<rpcclt_openapiPingAddressWithCount, Address, Count> },
    { "address-with-interval", kMethodPost, ping<rpcclt_openapiPingAddressWithInterval, Address, Interval> },
    { "address-with-pdu-size", kMethodPost, ping<rpcclt_openapiPingAddressWithPDUSize, Address, Size> },
    { "address-with-source-interface", kMethodPost,
      ping<rpcclt_openapiPingAddressWithSourceInterface, Address, SrcIntfFlag> },
    { "address-explicit", kMethodPost,
      ping<rpcclt_openapiPingAddressExplicit, Address, Count, Interval, Size, SrcIntfFlag> },
    { "with-source", kMethodPost, ping<rpcclt_openapiPingWithSource, Vrf, Family, Address, SrcType, SrcIntf, SrcAddr> },
    { "ping", kMethodPost,
      ping<rpcclt_openapiPing, Vrf, Family, Address, Count, Interval, Size, SrcType, IntIfNum, SrcAddr> },
};

} // namespace

constinit std::span<RouteRow const> const pingRoutes = kRows;
constinit HttpdCContent* const pingEntries = LinkedRows<kRows>::first();
