// Registration with the switch RPC service, and the process's one client handle.
#pragma once

#include "../sw_calls.h"

extern OpenClientHandle clientHandle;

inline constexpr int kConnectivityChecks = 7;
inline constexpr unsigned kConnectivityPauseSeconds = 3;

// 0 when the client is registered and the service answers, -1 otherwise.
int initHandler(char const* name, OpenClientHandle* handle);

// The result by which a call reports that the switch RPC service has gone
// away (restarted, or no longer serving this client): the handle is dead, and
// only a new registration gives a usable one.
inline constexpr int kRpcServiceGone = -30;

// Notes the result of a call and gives it back. Once a call has reported
// the service gone, rpcServiceGone stays true until rpcServiceGoneClear: a
// process that serves many requests registers anew before the next.
int rpcResultNote(int result);
bool rpcServiceGone();
void rpcServiceGoneClear();
