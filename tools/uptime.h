// The clock of session time stamps and failed logins: seconds since boot,
// which no change of the wall clock moves.
#pragma once

#include <sys/sysinfo.h>

// -1 when the system does not say.
inline long bootUptime()
{
    struct sysinfo info {};
    return sysinfo(&info) == 0 ? info.uptime : -1;
}
