// The log facility shared by the switch's CGI programs: time-stamped, levelled
// lines to "/tmp/brisk.log", standard output or syslog, under a threshold that
// every process reads from the shared level byte in "/tmp/devmgr_log_level".
#pragma once

#include <cstdarg>
#include <cstdio>

inline constexpr int LOG_MODE_FILE = 1;
inline constexpr int LOG_MODE_SYSLOG = 2;
inline constexpr int LOG_MODE_STDOUT = 4;

inline constexpr char kLogFilePath[] = "/tmp/brisk.log";
inline constexpr char kLogOldFilePath[] = "/tmp/brisk.log.old";
inline constexpr char kLogLevelPath[] = "/tmp/devmgr_log_level";
inline constexpr long kLogRotateSize = 1048576;

void devmgrLogOpen(int mode, int facility, char const* ident);
void devmgrLog(int level, char const* format, ...) __attribute__((format(printf, 2, 3)));
void devmgrLogClose();
int devmgrLogLevelGet();
void devmgrLogLine(FILE* stream, int level, char const* format, va_list args);

// Brings the facility back to where a new process finds it: no log file
// open, no level byte mapped, no syslog, and mode, facility and ident unset.
// A server that serves many requests in one process calls it after each, so
// that each opens the log as a process of its own does.
void devmgrLogReset();

// Every message starts with the logging function's name and source line.
#define DEVMGR_LOG(level, format, ...) \
    devmgrLog((level), "[%s:%d] " format, __func__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
