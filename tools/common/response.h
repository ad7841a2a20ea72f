// The reply envelope, its response codes and messages, and the mapping from
// switch RPC results to response codes.
#pragma once

#include "../audit.h"
#include "../json.h"

#include <cstdint>

struct RespCodeEntry {
    int32_t code;
    char const* message;
};

inline constexpr int32_t kRespSuccess = 0;
inline constexpr int32_t kRespGeneralFailed = 10000;
inline constexpr int32_t kRespInvalidArgument = 10003;
inline constexpr int32_t kRespUnsupported = 17002;

// Response codes for RPC results -29 to 0, indexed by result + 29.
extern int32_t const openResultTable[30];

char const* respMsgLookup(int32_t code);
int32_t openResultToRespCode(int32_t result);

// Builds the envelope into *out (freeing what it held): 0 on success, 10000
// on failure with *out left as it was. Name and data count only for code 0.
int responseJsonRreallocStr(int32_t code, char const* name, char const* data, char** out);

// The envelope without data, followed by a line end.
void replyStatusOnly(int32_t code);
// The envelope with the data object under the name on code 0, without a line end.
void replyWithData(int32_t code, char const* name, Json data);
