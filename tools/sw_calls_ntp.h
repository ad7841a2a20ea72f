// The switch RPC client library's NTP calls. Every call takes the client
// handle first and returns 0 on success or a negative result. Codes and flags
// travel as unsigned 32-bit numbers, poll intervals and versions of a server
// as 16-bit ones; servers are named by their address text.
#pragma once

#include "sw_calls.h"

extern "C" {

// Global settings.
int rpcclt_openapiNtpTimeSet(OpenClientHandle* handle, uint32_t offset);
int rpcclt_openapiNtpModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiNtpModeGet(OpenClientHandle* handle, uint32_t* mode);
int rpcclt_openapiNtpSupportedModeGet(OpenClientHandle* handle, uint32_t* supportedMode);
int rpcclt_openapiNtpAuthenticationModeSet(OpenClientHandle* handle, uint32_t flag);
int rpcclt_openapiNtpAuthenticationModeGet(OpenClientHandle* handle, uint32_t* flag);
int rpcclt_openapiNtpSourceInterfaceSet(OpenClientHandle* handle, uint32_t intIfNum);
int rpcclt_openapiNtpSourceInterfaceGet(OpenClientHandle* handle, uint32_t* intIfNum);
int rpcclt_openapiNtpBroadcastClientModeSet(OpenClientHandle* handle, uint32_t flag);
int rpcclt_openapiNtpBroadcastClientModeGet(OpenClientHandle* handle, uint32_t* flag);
int rpcclt_openapiNtpVersionGet(OpenClientHandle* handle, uint32_t* version);

// Configured servers and the active one.
int rpcclt_openapiNtpServerAdd(OpenClientHandle* handle, OpenBuffDesc* server);
int rpcclt_openapiNtpServerDelete(OpenClientHandle* handle, OpenBuffDesc* server);
int rpcclt_openapiNtpServersMaxSupportedGet(OpenClientHandle* handle, uint32_t* count);
int rpcclt_openapiNtpServerMaxAddrLenGet(OpenClientHandle* handle, uint32_t* length);
int rpcclt_openapiNtpServerFirstGet(OpenClientHandle* handle, OpenBuffDesc* first);
int rpcclt_openapiNtpServerNextGet(OpenClientHandle* handle, OpenBuffDesc* server, OpenBuffDesc* next);
int rpcclt_openapiNtpServerAddressTypeGet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t* type);
int rpcclt_openapiNtpServerCurrentEntriesGet(OpenClientHandle* handle, uint32_t* count);
int rpcclt_openapiNtpServerReferenceStringLengthGet(OpenClientHandle* handle, uint32_t* length);
int rpcclt_openapiActiveNtpServerAddressTypeGet(OpenClientHandle* handle, uint32_t* type);
int rpcclt_openapiActiveNtpServerIpAddressGet(OpenClientHandle* handle, OpenBuffDesc* address);
int rpcclt_openapiActiveNtpServerStratumGet(OpenClientHandle* handle, uint32_t* stratum);
int rpcclt_openapiActiveNtpServerReferenceIdGet(OpenClientHandle* handle, OpenBuffDesc* reference);
int rpcclt_openapiActiveNtpServerModeGet(OpenClientHandle* handle, uint32_t* mode);

// Settings kept per configured server.
int rpcclt_openapiNtpServerTableAuthKeySet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t keyIndex);
int rpcclt_openapiNtpServerTableAuthKeyGet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t* keyIndex);
int rpcclt_openapiNtpServerTableMaxPollSet(OpenClientHandle* handle, OpenBuffDesc* server, uint16_t interval);
int rpcclt_openapiNtpServerTableMaxPollGet(OpenClientHandle* handle, OpenBuffDesc* server, uint16_t* interval);
int rpcclt_openapiNtpServerTableMinPollSet(OpenClientHandle* handle, OpenBuffDesc* server, uint16_t interval);
int rpcclt_openapiNtpServerTableMinPollGet(OpenClientHandle* handle, OpenBuffDesc* server, uint16_t* interval);
int rpcclt_openapiNtpServerTablePreferSet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t flag);
int rpcclt_openapiNtpServerTablePreferGet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t* flag);
int rpcclt_openapiNtpServerTableBurstSet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t flag);
int rpcclt_openapiNtpServerTableBurstGet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t* flag);
int rpcclt_openapiNtpServerTableIBurstSet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t flag);
int rpcclt_openapiNtpServerTableIBurstGet(OpenClientHandle* handle, OpenBuffDesc* server, uint32_t* flag);
int rpcclt_openapiNtpServerTableVersionSet(OpenClientHandle* handle, OpenBuffDesc* server, uint16_t version);
int rpcclt_openapiNtpServerTableVersionGet(OpenClientHandle* handle, OpenBuffDesc* server, uint16_t* version);

// Authentication keys, named by key number.
int rpcclt_openapiNtpAuthTableKeyAdd(
    OpenClientHandle* handle, uint32_t keyNumber, OpenBuffDesc* keyValue, uint32_t encrypted, uint32_t msgAuthAlg);
int rpcclt_openapiNtpAuthTableKeyDelete(OpenClientHandle* handle, uint32_t keyNumber);
int rpcclt_openapiNtpAuthTableKeyValueSet(
    OpenClientHandle* handle, uint32_t keyNumber, OpenBuffDesc* keyValue, uint32_t encrypted);
int rpcclt_openapiNtpAuthTableKeyValueGet(OpenClientHandle* handle, uint32_t keyNumber, OpenBuffDesc* keyValue);
int rpcclt_openapiNtpAuthTableKeyMsgAuthAlgSet(OpenClientHandle* handle, uint32_t keyNumber, uint32_t msgAuthAlg);
int rpcclt_openapiNtpAuthTableKeyMsgAuthAlgGet(OpenClientHandle* handle, uint32_t keyNumber, uint32_t* msgAuthAlg);
int rpcclt_openapiNtpAuthTableKeyTrustedSet(OpenClientHandle* handle, uint32_t keyNumber, uint32_t flag);
int rpcclt_openapiNtpAuthTableKeyTrustedGet(OpenClientHandle* handle, uint32_t keyNumber, uint32_t* flag);
int rpcclt_openapiNtpAuthTableEntryFirstGet(OpenClientHandle* handle, uint32_t* keyNumber);
int rpcclt_openapiNtpAuthTableEntryGetNext(OpenClientHandle* handle, uint32_t* keyNumber, uint32_t* nextKeyNumber);

// The NTP service's identity and global packet counters.
int rpcclt_openapiNtpEntSoftwareNameGet(OpenClientHandle* handle, OpenBuffDesc* name);
int rpcclt_openapiNtpEntSoftwareVersionGet(OpenClientHandle* handle, OpenBuffDesc* version);
int rpcclt_openapiNtpEntSystemTypeGet(OpenClientHandle* handle, OpenBuffDesc* systemType);
int rpcclt_openapiNtpEntStatusInPktsGet(OpenClientHandle* handle, uint32_t* count);
int rpcclt_openapiNtpEntStatusOutPktsGet(OpenClientHandle* handle, uint32_t* count);
int rpcclt_openapiNtpEntStatusBadVersionGet(OpenClientHandle* handle, uint32_t* count);
int rpcclt_openapiNtpEntStatusProtocolErrorGet(OpenClientHandle* handle, uint32_t* count);

// Associations, named by their 32-bit identifier.
int rpcclt_openapiNtpAssocIdGet(OpenClientHandle* handle, uint32_t assocId);
int rpcclt_openapiNtpAssocIdNextGet(OpenClientHandle* handle, uint32_t* assocId);
int rpcclt_openapiNtpAssocNameGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* name);
int rpcclt_openapiNtpAssocRefIdGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* refId);
int rpcclt_openapiNtpAssocAddressTypeGet(OpenClientHandle* handle, uint32_t assocId, uint32_t* type);
int rpcclt_openapiNtpAssocAddressGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* address);
int rpcclt_openapiNtpAssocOffsetGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* offset);
int rpcclt_openapiNtpAssocStratumGet(OpenClientHandle* handle, uint32_t assocId, uint32_t* stratum);
int rpcclt_openapiNtpAssocStatusJitterGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* jitter);
int rpcclt_openapiNtpAssocStatusDelayGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* delay);
int rpcclt_openapiNtpAssocStatusDispersionGet(OpenClientHandle* handle, uint32_t assocId, OpenBuffDesc* dispersion);
int rpcclt_openapiNtpAssocStatInPktsGet(OpenClientHandle* handle, uint32_t assocId, uint32_t* count);
int rpcclt_openapiNtpAssocStatOutPktsGet(OpenClientHandle* handle, uint32_t assocId, uint32_t* count);
int rpcclt_openapiNtpAssocStatProtocolErrorGet(OpenClientHandle* handle, uint32_t assocId, uint32_t* count);
int rpcclt_openapiNtpNotifyPeerList(OpenClientHandle* handle, OpenBuffDesc* assocList);

} // extern "C"
