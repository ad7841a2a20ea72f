// Handlers under "/api/v2/mgmt/ntp": the switch's NTP client, its servers and
// their settings, its authentication keys, and its status and associations.
// Each route is one row: its inputs, its switch call and, for a get, the
// reply member and what the call fills.
#include "ntp_families.h"
#include "routes.h"

namespace {

using namespace ntp;

// Names of the switch's codes, indexed by the code; the first name also
// stands for every code past the end.
constexpr char const* kNtpModes[] = { "ntp_disabled", "ntp_unicast", "ntp_broadcast" };
constexpr char const* kSupportedModes[] = {
    "ntp_supported_disabled",
    "ntp_supported_unicast",
    "ntp_supported_broadcast",
    "ntp_supported_unicast_and_broadcast",
};
constexpr char const* kAddressTypes[]
    = { "ntp_address_unknown", "ntp_address_ipv4", "ntp_address_ipv6", "ntp_address_dns" };
constexpr char const* kAssociationModes[] = {
    "reserved",
    "symmetric_active",
    "symmetric_passive",
    "client",
    "server",
    "broadcast",
    "reserved_control",
    "reserved_private",
};
constexpr char const* kMsgAuthAlgs[] = { "none", "md5", "sha1", "sha256" };

// The switch's answer when no association has the identifier asked for.
constexpr int kNoAssociation = -24;

// Whether an association exists: "no" is an answer, not a failure.
int assocIdGet()
{
    Request request;
    uint32_t const id = queryU32(request.param("assocID"));
    int const result = rpcclt_openapiNtpAssocIdGet(&clientHandle, id);
    replyObject(kGroup, result == kNoAssociation ? 0 : result, [&](cJSON* data) {
        jsonAdd(data, "assocID", Json(cJSON_CreateNumber(id)));
        jsonAdd(data, "exists", Json(cJSON_CreateBool(result == 0)));
    });
    return 0;
}

// Inputs shared by many rows.
using ServerInBody = BodyText<"ntpServer">;
using ServerInQuery = QueryText<"ntpServer">;
using KeyInBody = BodyValue<"keyNumber", bodyU32>;
using KeyInQuery = QueryNumber<"keyNumber">;
using KeyValueIn = BodyText<"keyValue", kKeyValueSize>;
using AssocId = QueryNumber<"assocId">;

// Outputs sized by the switch's own limits.
using AddressOut = LimitedTextOut<rpcclt_openapiNtpServerMaxAddrLenGet>;
using ReferenceOut = LimitedTextOut<rpcclt_openapiNtpServerReferenceStringLengthGet>;
// A key value read back: the buffer's last byte lies outside the descriptor.
using KeyValueOut = TextOut<kKeyValueSize, kKeyValueSize - 1>;

constexpr auto unsupported = unsupportedSet;
constexpr auto unsupportedRead = unsupportedGet<"ntp">;

constexpr RouteRow kRows[] = {
    // Global settings, servers and the active server.
    { "time", kMethodPut, setValue<"offset", bodyU32, rpcclt_openapiNtpTimeSet> },
    { "server", kMethodPost, setFromBody<rpcclt_openapiNtpServerAdd, BodyText<"ipAddr">> },
    { "server", kMethodDelete, setFromQuery<rpcclt_openapiNtpServerDelete, QueryText<"ipAddr">> },
    { "servers-max-supported", kMethodGet,
        getFromQuery<"maxNtpServers", Number, rpcclt_openapiNtpServersMaxSupportedGet> },
    { "server-max-addr-len", kMethodGet,
        getFromQuery<"ntpServerAddrLen", Number, rpcclt_openapiNtpServerMaxAddrLenGet> },
    { "server-first", kMethodGet, getFromQuery<"ntpServer", AddressOut, rpcclt_openapiNtpServerFirstGet> },
    { "server-next", kMethodGet,
        getFromQuery<"nextNtpServer", AddressOut, rpcclt_openapiNtpServerNextGet, ServerInQuery> },
    { "server-address-type", kMethodGet,
        getFromQuery<"ntpServerAddrType", Named<kAddressTypes>, rpcclt_openapiNtpServerAddressTypeGet, ServerInQuery> },
    { "mode", kMethodPut, setValue<"mode", bodyCode<kNtpModes>, rpcclt_openapiNtpModeSet> },
    { "mode", kMethodGet, getFromQuery<"ntpMode", Named<kNtpModes>, rpcclt_openapiNtpModeGet> },
    { "supported-mode", kMethodGet,
        getFromQuery<"ntpSupportedMode", Named<kSupportedModes>, rpcclt_openapiNtpSupportedModeGet> },
    { "active-ntp-server-address-type", kMethodGet,
        getFromQuery<"type", Named<kAddressTypes>, rpcclt_openapiActiveNtpServerAddressTypeGet> },
    { "active-ntp-server-ip-address", kMethodGet,
        getFromQuery<"ntpServer", AddressOut, rpcclt_openapiActiveNtpServerIpAddressGet> },
    { "active-ntp-server-stratum", kMethodGet,
        getFromQuery<"stratum", Number, rpcclt_openapiActiveNtpServerStratumGet> },
    { "active-ntp-server-reference-id", kMethodGet,
        getFromQuery<"reference", ReferenceOut, rpcclt_openapiActiveNtpServerReferenceIdGet> },
    { "server-reference-string-length", kMethodGet,
        getFromQuery<"refStrLen", Number, rpcclt_openapiNtpServerReferenceStringLengthGet> },
    { "active-ntp-server-mode", kMethodGet,
        getFromQuery<"serverMode", Named<kAssociationModes>, rpcclt_openapiActiveNtpServerModeGet> },
    { "server-current-entries", kMethodGet,
        getFromQuery<"currEntries", Number, rpcclt_openapiNtpServerCurrentEntriesGet> },
    { "authentication-mode", kMethodPut, setValue<"mode", bodyFlag, rpcclt_openapiNtpAuthenticationModeSet> },
    { "authentication-mode", kMethodGet, getFromQuery<"mode", Flag, rpcclt_openapiNtpAuthenticationModeGet> },
    { "broadcast-delay", kMethodPut, unsupported },
    { "broadcast-delay", kMethodGet, unsupportedRead },
    { "source-interface", kMethodPut,
        setFromQuery<rpcclt_openapiNtpSourceInterfaceSet, QueryStringNumber<"intIfNum">> },
    { "source-interface", kMethodGet, getFromQuery<"intIfNum", Number, rpcclt_openapiNtpSourceInterfaceGet> },
    { "vrf-name", kMethodPut, unsupported },
    { "vrf-name", kMethodGet, unsupportedRead },

    // Settings kept per configured server.
    { "server-table-auth-key", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTableAuthKeySet, ServerInBody, QueryStringNumber<"keyIndex">> },
    { "server-table-auth-key", kMethodGet,
        getFromQuery<"keyIndex", Number, rpcclt_openapiNtpServerTableAuthKeyGet, ServerInQuery> },
    { "server-table-max-poll", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTableMaxPollSet, ServerInBody, BodyValue<"interval", bodyU16>> },
    { "server-table-max-poll", kMethodGet,
        getFromQuery<"interval", Number16, rpcclt_openapiNtpServerTableMaxPollGet, ServerInQuery> },
    { "server-table-min-poll", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTableMinPollSet, ServerInBody, BodyValue<"interval", bodyU16>> },
    { "server-table-min-poll", kMethodGet,
        getFromQuery<"interval", Number16, rpcclt_openapiNtpServerTableMinPollGet, ServerInQuery> },
    { "server-table-prefer", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTablePreferSet, ServerInBody, BodyValue<"prefer", bodyFlag>> },
    { "server-table-prefer", kMethodGet,
        getFromQuery<"prefer", Flag, rpcclt_openapiNtpServerTablePreferGet, ServerInQuery> },
    { "server-table-burst", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTableBurstSet, ServerInBody, BodyValue<"burst", bodyFlag>> },
    { "server-table-burst", kMethodGet,
        getFromQuery<"burst", Flag, rpcclt_openapiNtpServerTableBurstGet, ServerInQuery> },
    { "server-table-iburst", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTableIBurstSet, ServerInBody, BodyValue<"iburst", bodyFlag>> },
    { "server-table-iburst", kMethodGet,
        getFromQuery<"iburst", Flag, rpcclt_openapiNtpServerTableIBurstGet, ServerInQuery> },
    { "server-table-version", kMethodPut,
        setFromBody<rpcclt_openapiNtpServerTableVersionSet, ServerInBody, BodyValue<"version", bodyU16>> },
    { "server-table-version", kMethodGet,
        getFromQuery<"version", Number16, rpcclt_openapiNtpServerTableVersionGet, ServerInQuery> },

    // Authentication keys.
    { "auth-table-key", kMethodPost,
        setFromBody<rpcclt_openapiNtpAuthTableKeyAdd, KeyInBody, KeyValueIn, BodyValue<"isEncrypted", bodyFlag>,
            BodyValue<"msgAuthAlg", bodyCode<kMsgAuthAlgs>>> },
    { "auth-table-key", kMethodDelete, setFromQuery<rpcclt_openapiNtpAuthTableKeyDelete, KeyInQuery> },
    { "auth-table-key-value", kMethodPut,
        setFromBody<rpcclt_openapiNtpAuthTableKeyValueSet, KeyInBody, KeyValueIn, BodyValue<"isEncrypted", bodyFlag>> },
    { "auth-table-key-value", kMethodGet,
        getFromQuery<"keyValue", KeyValueOut, rpcclt_openapiNtpAuthTableKeyValueGet, KeyInQuery> },
    { "auth-table-key-msg-auth-alg", kMethodPut,
        setFromBody<rpcclt_openapiNtpAuthTableKeyMsgAuthAlgSet, KeyInBody,
            BodyValue<"msgAuthAlg", bodyCode<kMsgAuthAlgs>>> },
    { "auth-table-key-msg-auth-alg", kMethodGet,
        getFromQuery<"msgAuthAlg", Named<kMsgAuthAlgs>, rpcclt_openapiNtpAuthTableKeyMsgAuthAlgGet, KeyInQuery> },
    { "auth-table-key-trusted", kMethodPut,
        setFromBody<rpcclt_openapiNtpAuthTableKeyTrustedSet, KeyInBody, BodyValue<"trustedStatus", bodyFlag>> },
    { "auth-table-key-trusted", kMethodGet,
        getFromQuery<"trustedStatus", Flag, rpcclt_openapiNtpAuthTableKeyTrustedGet, KeyInQuery> },
    { "auth-table-entry-first", kMethodGet,
        getFromQuery<"keyNumber", Number, rpcclt_openapiNtpAuthTableEntryFirstGet> },
    { "auth-table-entry-get-next", kMethodPost,
        getFromBody<"nextKeyNum", Number, rpcclt_openapiNtpAuthTableEntryGetNext, BodyNumberRef<"keyNum">> },

    // Status and associations, with the broadcast client mode and version between.
    { "notify-peer-list", kMethodPost, setFromBody<rpcclt_openapiNtpNotifyPeerList, BodyText<"assocList">> },
    { "broadcast-client-mode", kMethodPut, setValue<"mode", bodyMode, rpcclt_openapiNtpBroadcastClientModeSet> },
    { "broadcast-client-mode", kMethodGet, getFromQuery<"ntpMode", Mode, rpcclt_openapiNtpBroadcastClientModeGet> },
    { "version", kMethodGet, getFromQuery<"version", Number, rpcclt_openapiNtpVersionGet> },
    { "ent-software-name", kMethodGet, getFromQuery<"swName", Text, rpcclt_openapiNtpEntSoftwareNameGet> },
    { "ent-software-version", kMethodGet, getFromQuery<"swVersion", Text, rpcclt_openapiNtpEntSoftwareVersionGet> },
    { "ent-system-type", kMethodGet, getFromQuery<"systemType", Text, rpcclt_openapiNtpEntSystemTypeGet> },
    { "ent-status-in-pkts", kMethodGet, getFromQuery<"inPkts", Number, rpcclt_openapiNtpEntStatusInPktsGet> },
    { "ent-status-out-pkts", kMethodGet, getFromQuery<"outPkts", Number, rpcclt_openapiNtpEntStatusOutPktsGet> },
    { "ent-status-bad-version", kMethodGet,
        getFromQuery<"badVerPkts", Number, rpcclt_openapiNtpEntStatusBadVersionGet> },
    { "ent-status-protocol-error", kMethodGet,
        getFromQuery<"pErrPkts", Number, rpcclt_openapiNtpEntStatusProtocolErrorGet> },
    { "assoc-id", kMethodGet, assocIdGet },
    { "assoc-id-next", kMethodGet, getFromQuery<"nextAssocID", Number, rpcclt_openapiNtpAssocIdNextGet> },
    { "assoc-name", kMethodGet, getFromQuery<"assocName", Text, rpcclt_openapiNtpAssocNameGet, AssocId> },
    { "assoc-ref-id", kMethodGet, getFromQuery<"assocRefId", Text, rpcclt_openapiNtpAssocRefIdGet, AssocId> },
    { "assoc-address-type", kMethodGet,
        getFromQuery<"assocAddrType", Named<kAddressTypes>, rpcclt_openapiNtpAssocAddressTypeGet, AssocId> },
    { "assoc-address", kMethodGet, getFromQuery<"assocAddr", Text, rpcclt_openapiNtpAssocAddressGet, AssocId> },
    { "assoc-offset", kMethodGet, getFromQuery<"assocOffset", Text, rpcclt_openapiNtpAssocOffsetGet, AssocId> },
    { "assoc-stratum", kMethodGet, getFromQuery<"assocStratum", Number, rpcclt_openapiNtpAssocStratumGet, AssocId> },
    { "assoc-status-jitter", kMethodGet,
        getFromQuery<"assocJitter", Text, rpcclt_openapiNtpAssocStatusJitterGet, AssocId> },
    { "assoc-status-delay", kMethodGet,
        getFromQuery<"assocDelay", Text, rpcclt_openapiNtpAssocStatusDelayGet, AssocId> },
    { "assoc-status-dispersion", kMethodGet,
        getFromQuery<"assocDispersion", Text, rpcclt_openapiNtpAssocStatusDispersionGet, AssocId> },
    { "assoc-stat-in-pkts", kMethodGet,
        getFromQuery<"assocInPkts", Number, rpcclt_openapiNtpAssocStatInPktsGet, AssocId> },
    { "assoc-stat-out-pkts", kMethodGet,
        getFromQuery<"assocOutPkts", Number, rpcclt_openapiNtpAssocStatOutPktsGet, AssocId> },
    { "assoc-stat-protocol-error", kMethodGet,
        getFromQuery<"assocProtErrPkts", Number, rpcclt_openapiNtpAssocStatProtocolErrorGet, AssocId> },
};

static_assert(std::size(kRows) == 75);

} // namespace

constinit std::span<RouteRow const> const ntpRoutes = kRows;
constinit HttpdCContent* const ntpEntries = LinkedRows<kRows>::first();
