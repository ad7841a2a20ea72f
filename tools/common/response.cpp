#include "response.h"

#include "../log.h"
#include "rpc_client.h"

#include <cstdio>

namespace {

// Searched from the first row; no code occurs twice.
constexpr RespCodeEntry kRespCodes[] = {
    { 0, "Success" },
    { 999, "unknown fail" },
    { 10000, "General Failed" },
    { 10001, "system error" },
    { 10002, "Invalid Pointer" },
    { 10027, "Disable PTP Mode" },
    { 10003, "Invalid argument" },
    { 10004, "Not implemented" },
    { 10005, "Out of memory" },
    { 10006, "Buffer error" },
    { 10007, "Permission denied" },
    { 10008, "Timed out" },
    { 10009, "Object not init" },
    { 10010, "Object init failed" },
    { 10011, "Object exist" },
    { 10012, "Object not exist" },
    { 10015, "Device or resource empty" },
    { 10016, "Device or resource open failed" },
    { 10017, "Device or resource read failed" },
    { 10018, "Device or resource write failed" },
    { 10019, "Device or resource delete failed" },
    { 10020, "Network is unreachable" },
    { 10021, "Illegal request" },
    { 10022, "Invalid weibo user" },
    { 10023, "Request api not found" },
    { 10024, "HTTP method is not suported for this request" },
    { 10025, "Upload file error" },
    { 10026, "upgrade file error" },
    { 12001, "User name or password is incorrect" },
    { 12002, "Change default password" },
    { 12003, "User lockout when login fail more than 5 time, please try again in 5 minutes" },
    { 13103, "Add Interface IP error" },
    { 13101, "Create Vlan error" },
    { 14101, "This Template is being used by a Network Profile. Please delete the associated Network Profile first" },
    { 14102, "Profile type was duplicated" },
    { 14103, "The AVB profile template should be only configured on one vlan" },
    { 14104, "Unable to set 802.1AS Status with Enable,PTP TC is enable. Disable PTP TC to enable 802.1AS Status" },
    { 14105, "Unable to set PTP TC with Enable,802.1AS Status is enable. Disable 802.1AS Status to enable PTP TC" },
    { 14106, "The Shure profile template should be only configured on one vlan" },
    { 14107, "The profile name is already in use. Please enter a different name." },
    { 14108, "The current device does not support this profile" },
    { 14109, "The SMPTE profile template should be only configured on one vlan" },
    { 15001, "Setting LAG Name is failed. Please check if it is a duplicate name" },
    { 16001, "The maximum of 100 Time Ranges is already configured" },
    { 17001, "The configuration is invalid" },
    { 18001, "IP Address/Netmask entered conflicts with the configured IP Address/Netmask of a router interface" },
    { 20001, "Invalid physical mode for this port." },
    { 11000, "" },
    { 17002, "Unsupported Feature" },
    { 17003, "PTP Boundary Clock API is not supported on this model" },
    { 26001, "Kernel upgrade required, please upload ONIE file" },
    { -200, "Maximum user accounts reached" },
    { -201, "Invalid user name, does not meet policy" },
    { -202, "Invalid password, does not meet policy" },
    { -203, "Invalid user type" },
    { -204, "Invalid user, user does not exist" },
    { -205, "User account already exist" },
    { -206, "Should not modify user type of admin account" },
    { -207, "Request failed, not a privileged user" },
    { -208, "Can not create/delete admin account" },
    { -300, "Failed to set configuration on the device" },
    { -301, "Failed to get configuration from the device" },
    { -302, "Invalid REST API request" },
    { -7, "Failed to allocate memory" },
};

constexpr bool codesUnique()
{
    for (auto const& a : kRespCodes)
        for (auto const& b : kRespCodes)
            if (&a != &b && a.code == b.code)
                return false;
    return true;
}
static_assert(codesUnique());

constexpr int32_t kFirstMappedResult = -29;

} // namespace

int32_t const openResultTable[30] = {
    10023, // -29
    17002, // -28
    10000, 10000, 10000, // -27 to -25
    10011, // -24
    10000, // -23
    10003, // -22
    10000, 10000, 10000, 10000, 10000, 10000, 10000, // -21 to -15
    10000, 10000, 10000, 10000, 10000, 10000, 10000, // -14 to -8
    10000, 10000, 10000, 10000, 10000, 10000, 10000, // -7 to -1
    0,
};

char const* respMsgLookup(int32_t code)
{
    for (auto const& row : kRespCodes)
        if (row.code == code)
            return row.message;
    return "Error code unknown";
}

namespace {

// Where a printed envelope goes: the caller's buffer when it fits, else text
// cJSON allocates; the same bytes either way, from cJSON_Print's own printer
// (cJSON_PrintPreallocated only reports when the buffer runs out).
struct Printed {
    char* buffer = nullptr;
    int size = 0;
    bool inBuffer = false;
    JsonText allocated;

    char const* text() const { return inBuffer ? buffer : allocated.get(); }
    // False when there is no room for the text.
    bool print(cJSON* root)
    {
        inBuffer = buffer != nullptr && cJSON_PrintPreallocated(root, buffer, size, 1);
        if (!inBuffer)
            allocated.reset(cJSON_Print(root));
        return text() != nullptr;
    }
};

bool jsonAddKey(cJSON* parent, char const* key, Json item);

// The envelope as responseJsonRreallocStr builds it, with the data, when it
// counts, from takeData: the resp object with its code, message and status,
// and on code 0 the data under the name, printed formatted into printed.
template <typename TakeData>
int buildEnvelope(int32_t code, char const* name, bool withData, TakeData&& takeData, Printed& printed)
{
    char const* message = respMsgLookup(code);
    Json root(cJSON_CreateObject());
    if (!root) {
        DEVMGR_LOG(3, "[MEM] Failed to create root object\n");
        return kRespGeneralFailed;
    }
    Json resp(cJSON_CreateObject());
    if (!resp) {
        DEVMGR_LOG(3, "[MEM] Failed to create resp object\n");
        return kRespGeneralFailed;
    }
    jsonAddKey(resp.get(), "respCode", jsonInteger(code));
    jsonAddKey(resp.get(), "respMsg", Json(cJSON_CreateString(message)));
    if (code == kRespSuccess) {
        jsonAddKey(resp.get(), "status", Json(cJSON_CreateString("success")));
        if (withData) {
            Json data = takeData();
            if (!data) {
                DEVMGR_LOG(3, "[MEM] Failed to parse data JSON\n");
                return kRespGeneralFailed;
            }
            jsonAdd(root.get(), name, std::move(data));
        }
    } else {
        jsonAddKey(resp.get(), "status", Json(cJSON_CreateString("fail")));
    }
    jsonAddKey(root.get(), "resp", std::move(resp));

    // Formatted, as cJSON_Print prints it.
    if (!printed.print(root.get())) {
        DEVMGR_LOG(3, "[MEM] Failed to print JSON\n");
        return kRespGeneralFailed;
    }
    return kRespSuccess;
}

// jsonAdd for the envelope's own keys, which are literals: cJSON keeps the
// key itself rather than a copy.
bool jsonAddKey(cJSON* parent, char const* key, Json item)
{
    if (parent == nullptr || !item || !cJSON_AddItemToObjectCS(parent, key, item.get()))
        return false;
    item.release();
    return true;
}

// Most envelopes fit here, and are printed without an allocation; a larger
// one is printed again into one. Kept small, so that a request's deepest
// call stays within fewer pages of the stack.
constexpr int kEnvelopeBufferSize = 1024;

// Builds the envelope and writes it with the line end; nothing when it
// could not be built.
template <typename TakeData>
void writeEnvelope(int32_t code, char const* name, bool withData, TakeData&& takeData, char const* lineEnd)
{
    auditResponseCode(code);
    char buffer[kEnvelopeBufferSize];
    Printed printed;
    printed.buffer = buffer;
    printed.size = sizeof buffer;
    if (buildEnvelope(code, name, withData, takeData, printed) != 0)
        return;
    fputs(printed.text(), stdout);
    fputs(lineEnd, stdout);
}

} // namespace

int responseJsonRreallocStr(int32_t code, char const* name, char const* data, char** out)
{
    Printed printed;
    int const result
        = buildEnvelope(code, name, name != nullptr && data != nullptr, [&] { return jsonParse(data); }, printed);
    if (result != kRespSuccess)
        return result;
    cJSON_free(*out);
    *out = printed.allocated.release();
    return kRespSuccess;
}

void replyStatusOnly(int32_t code)
{
    writeEnvelope(code, nullptr, false, [] { return Json(); }, "\n");
}

void replyWithData(int32_t code, char const* name, Json data)
{
    // The envelope holds what the data's compact print parses back to. For
    // the objects the handlers build (of objects, strings, numbers and
    // booleans, a few levels deep) that is the object itself: a printed
    // string or number reads back as the same string or the same double. So
    // the object goes in as it stands, printed once.
    bool const withData = code == kRespSuccess && name != nullptr && data;
    writeEnvelope(code, name, withData, [&] { return std::move(data); }, "");
}

int32_t openResultToRespCode(int32_t result)
{
    rpcResultNote(result);
    if (result < kFirstMappedResult || result > 0)
        return kRespGeneralFailed;
    return openResultTable[result - kFirstMappedResult];
}
