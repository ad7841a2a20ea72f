// Telnet and web management access: modes, ports, session limits and
// time-outs. Every value crosses as an unsigned 32-bit number; modes are 1
// for enabled and 0 for disabled.
#pragma once

#include "sw_calls.h"

#include <cstdint>

extern "C" {

int rpcclt_openapiAgentTelnetAdminModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiAgentTelnetAdminModeGet(OpenClientHandle* handle, uint32_t* mode);
// flag 1: the telnet server moves to the new port at once.
int rpcclt_openapiSwDevCtrlTelnetMgmtPortNumSet(OpenClientHandle* handle, uint32_t port, uint32_t flag);
int rpcclt_openapiSwDevCtrlTelnetMgmtPortNumGet(OpenClientHandle* handle, uint32_t* port);
int rpcclt_openapiAgentTelnetNumSessionsSet(OpenClientHandle* handle, uint32_t maxSessions);
int rpcclt_openapiAgentTelnetNumSessionsGet(OpenClientHandle* handle, uint32_t* maxSessions);
int rpcclt_openapiAgentTelnetTimeoutSet(OpenClientHandle* handle, uint32_t timeout);
int rpcclt_openapiAgentTelnetTimeoutGet(OpenClientHandle* handle, uint32_t* timeout);
int rpcclt_openapiAgentTelnetNewSessionsSet(OpenClientHandle* handle, uint32_t state);
int rpcclt_openapiAgentTelnetNewSessionsGet(OpenClientHandle* handle, uint32_t* state);
int rpcclt_openapiAgentTelnetCurrentNumSessionsGet(OpenClientHandle* handle, uint32_t* sessions);

int rpcclt_openapiSwDevCtrlWebMgmtModeSet(OpenClientHandle* handle, uint32_t mode);
int rpcclt_openapiSwDevCtrlWebMgmtModeGet(OpenClientHandle* handle, uint32_t* mode);
// flag 1: the web server moves to the new port at once.
int rpcclt_openapiSwDevCtrlWebMgmtPortNumSet(OpenClientHandle* handle, uint32_t port, uint32_t flag);
int rpcclt_openapiSwDevCtrlWebMgmtPortNumGet(OpenClientHandle* handle, uint32_t* port);
int rpcclt_openapiCliWebHttpNumSessionsSet(OpenClientHandle* handle, uint32_t maxSessions);
int rpcclt_openapiCliWebHttpNumSessionsGet(OpenClientHandle* handle, uint32_t* maxSessions);
int rpcclt_openapiCliWebHttpSessionSoftTimeOutSet(OpenClientHandle* handle, uint32_t timeout);
int rpcclt_openapiCliWebHttpSessionSoftTimeOutGet(OpenClientHandle* handle, uint32_t* timeout);
int rpcclt_openapiCliWebHttpSessionHardTimeOutSet(OpenClientHandle* handle, uint32_t timeout);
int rpcclt_openapiCliWebHttpSessionHardTimeOutGet(OpenClientHandle* handle, uint32_t* timeout);

} // extern "C"
