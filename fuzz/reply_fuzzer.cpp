// Reply building: the envelope for any code, group name and data text, the
// two reply patterns that print it, and the mapping of switch results.
//
// Input: 4 bytes of code (little-endian), 1 byte of choices, then
// NAME \n DATA. Choice bits: 1 no name, 2 no data, 4 an old text in the out
// argument.
#include "fuzz_support.h"

#include "../tools/common/response.h"

namespace {

fuzz::MemoryFd* g_stdout = nullptr;

// The envelope holds the code, its message, the status it calls for and, on
// success with a name and data, the data under the name first.
void checkEnvelope(char const* text, int32_t code, char const* name, cJSON const* data)
{
    Json root(cJSON_ParseWithOpts(text, nullptr, 1));
    fuzz::require(cJSON_IsObject(root.get()), "the envelope is one object", text);
    cJSON const* first = root->child;
    cJSON const* resp = first;
    bool const withData = code == 0 && name != nullptr && data != nullptr;
    if (withData) {
        fuzz::require(first != nullptr && strcmp(first->string, name) == 0, "the data comes first", text);
        fuzz::require(cJSON_Compare(first, data, 1), "the data as given", text);
        resp = first->next;
    }
    fuzz::require(resp != nullptr && resp->next == nullptr && strcmp(resp->string, "resp") == 0,
                  "resp alone after the data", text);
    cJSON const* respCode = resp->child;
    cJSON const* respMsg = respCode != nullptr ? respCode->next : nullptr;
    cJSON const* status = respMsg != nullptr ? respMsg->next : nullptr;
    fuzz::require(status != nullptr && status->next == nullptr, "three resp members", text);
    fuzz::require(strcmp(respCode->string, "respCode") == 0 && cJSON_IsNumber(respCode)
                      && respCode->valuedouble == static_cast<double>(code),
                  "the code", text);
    fuzz::require(strcmp(respMsg->string, "respMsg") == 0 && cJSON_IsString(respMsg)
                      && strcmp(respMsg->valuestring, respMsgLookup(code)) == 0,
                  "the code's message", text);
    fuzz::require(strcmp(status->string, "status") == 0 && cJSON_IsString(status)
                      && strcmp(status->valuestring, code == 0 ? "success" : "fail") == 0,
                  "the status", text);
}

void checkResultMapping(int32_t result)
{
    int32_t const code = openResultToRespCode(result);
    bool const known = code == 0 || code == 10000 || code == 10003 || code == 10011 || code == 10023 || code == 17002;
    fuzz::require(known && (code == 0) == (result == 0), "a result maps to one of its codes");
    fuzz::require(result >= -29 || code == 10000, "results below the table are general failures");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_stdout = new fuzz::MemoryFd(STDOUT_FILENO);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* bytes, size_t size)
{
    if (size < 5)
        return 0;
    int32_t code = 0;
    memcpy(&code, bytes, sizeof code);
    uint8_t const choices = bytes[4];
    auto in = fuzz::fields(bytes + 5, size - 5, 2);
    fuzz::cutAtNul(in[0]);
    fuzz::cutAtNul(in[1]);
    std::string const nameText = in[0].value_or("");
    std::string const dataText = in[1].value_or("");
    char const* name = (choices & 1) == 0 ? nameText.c_str() : nullptr;
    char const* data = (choices & 2) == 0 ? dataText.c_str() : nullptr;
    checkResultMapping(code);

    // The envelope itself, into an out argument that may hold an old text.
    char* out = nullptr;
    if ((choices & 4) != 0) {
        out = static_cast<char*>(cJSON_malloc(4));
        memcpy(out, "old", 4);
    }
    Json const parsedData = jsonParse(data);
    int const built = responseJsonRreallocStr(code, name, data, &out);
    bool const unparsable = code == 0 && name != nullptr && data != nullptr && !parsedData;
    fuzz::require(built == (unparsable ? 10000 : 0), "only data that does not parse fails the envelope");
    if (built == 0)
        checkEnvelope(out, code, name, parsedData.get());
    else
        fuzz::require((choices & 4) == 0 ? out == nullptr : strcmp(out, "old") == 0, "a failure leaves out as it was");
    JsonText const envelope(out);
    // The log is not open here, so its line about the failure comes out on
    // standard output.
    std::string const logged = g_stdout->take();
    fuzz::require(built == 0 ? logged.empty() : logged.find("[MEM] Failed to parse data JSON\n") != std::string::npos,
                  "a log line only for a failure", logged);

    // Status only: the envelope without data, with a line end.
    replyStatusOnly(code);
    std::string const statusOnly = g_stdout->take();
    fuzz::require(!statusOnly.empty() && statusOnly.back() == '\n', "a status reply ends with a line end", statusOnly);
    checkEnvelope(statusOnly.substr(0, statusOnly.size() - 1).c_str(), code, nullptr, nullptr);

    // With data: the object printed compactly and parsed back, no line end.
    Json object = jsonParse(data);
    Json const expected(object ? cJSON_Duplicate(object.get(), 1) : nullptr);
    replyWithData(code, name, std::move(object));
    std::string const withData = g_stdout->take();
    fuzz::require(withData.empty() || withData.back() == '}', "a data reply ends with its brace", withData);
    if (!withData.empty())
        checkEnvelope(withData.c_str(), code, name, expected.get());
    else
        fuzz::require(code == 0 && name != nullptr && expected != nullptr, "only data that cannot be printed back fails");
    return 0;
}
