// Registration with the switch RPC service, and the process's one client handle.
#pragma once

#include "../sw_calls.h"

extern OpenClientHandle clientHandle;

inline constexpr int kConnectivityChecks = 7;
inline constexpr unsigned kConnectivityPauseSeconds = 3;

// 0 when the client is registered and the service answers, -1 otherwise.
int initHandler(char const* name, OpenClientHandle* handle);
