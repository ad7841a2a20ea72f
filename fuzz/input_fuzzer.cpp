// Request input and parameter lookup: the request data a method gets, its
// parameter list, the value a key finds there, and the members a handler
// reads from a body, each checked against what it must be.
//
// Input: METHOD \n QUERY_STRING \n CONTENT_LENGTH \n KEY \n BODY. A variable
// past the input's end is unset.
#include "fuzz_support.h"

#include "../tools/cgi_input.h"
#include "../tools/values.h"

#include <climits>
#include <cmath>

namespace {

fuzz::MemoryFd* g_stdin = nullptr;

// What cgiRequestRead must give for this environment and body.
std::optional<std::string> expectedData(std::optional<std::string> const& method,
                                        std::optional<std::string> const& query,
                                        std::optional<std::string> const& length, std::string const& body)
{
    if (!method)
        return std::nullopt;
    if (*method == "GET" || *method == "DELETE")
        return query.value_or("").substr(0, kQueryLimit);
    if (*method != "POST" && *method != "PUT")
        return std::nullopt;
    if (!length)
        return std::nullopt;
    long const claimed = strtol(length->c_str(), nullptr, 10);
    if (claimed < 0)
        return std::nullopt;
    std::string const arrived = body.substr(0, static_cast<uint32_t>(claimed));
    return arrived.substr(0, strnlen(arrived.c_str(), arrived.size()));
}

// The pieces, joined again with "&", give back the text they came from.
size_t checkPieces(char** list, std::string const& text)
{
    fuzz::require(list != nullptr, "a parameter list");
    std::string joined;
    size_t count = 0;
    for (char** piece = list; *piece != nullptr; ++piece, ++count) {
        fuzz::require(strchr(*piece, '&') == nullptr, "no piece holds an \"&\"", *piece);
        joined += (count > 0 ? "&" : "") + std::string(*piece);
    }
    fuzz::require(joined == text, "the pieces make the text", text);
    return count;
}

// The first piece that contains the key anywhere and has an "=", and in it
// the text after its first "=".
void checkLookup(char** list, std::string const& key)
{
    char const* found = cgiParamValueGet(key.c_str(), list);
    char const* want = nullptr;
    for (char** piece = list; *piece != nullptr && want == nullptr; ++piece) {
        char const* equals = strchr(*piece, '=');
        if (equals != nullptr && strstr(*piece, key.c_str()) != nullptr)
            want = equals + 1;
    }
    fuzz::require(found == want, "the lookup takes the first piece with the key and an \"=\"", key);

    // Whatever was found is read as a number and as an address.
    uint32_t const number = queryU32(found);
    fuzz::require(found != nullptr || number == 0, "no value reads as 0");
    OpenInetAddr const addr = inetAddrFromQuery(found);
    InetAddrText const text = inetAddrToText(addr);
    fuzz::require(strnlen(text.text, sizeof text.text) < sizeof text.text, "address text is terminated");
    if (found == nullptr || found[0] == '\0')
        fuzz::require(addr.family == 0 && addr.addr.ipv4 == 0, "no value is the all-zero address");
}

uint32_t truncated(double value)
{
    if (std::isnan(value) || value <= 0)
        return 0;
    return value >= 4294967296.0 ? UINT32_MAX : static_cast<uint32_t>(value);
}

// The member readers agree with the member: numbers truncated and saturated,
// keywords compared exactly, texts only from strings.
void checkMembers(cJSON const* body, std::string const& key)
{
    cJSON const* member = bodyMember(body, key.c_str());
    fuzz::require(member == (cJSON_IsObject(body) ? cJSON_GetObjectItem(body, key.c_str()) : nullptr),
                  "members only of an object, looked up without regard to case", key);
    uint32_t const number = bodyU32(body, key.c_str());
    fuzz::require(number == (cJSON_IsNumber(member) ? truncated(member->valuedouble) : 0), "number conversion", key);
    fuzz::require(bodyU16(body, key.c_str()) == (number & 0xffffu), "16 bits are the low 16", key);
    char const* text = bodyText(body, key.c_str());
    fuzz::require((text != nullptr) == cJSON_IsString(member), "texts only from strings", key);
    fuzz::require(bodyMode(body, key.c_str()) == (text != nullptr && strcmp(text, "enable") == 0 ? 1u : 0u),
                  "mode is 1 only for \"enable\"", key);
    fuzz::require(bodyFlag(body, key.c_str()) == (text != nullptr && strcmp(text, "true") == 0 ? 1u : 0u),
                  "flag is 1 only for \"true\"", key);

    char buffer[64];
    boundedCopy(buffer, text);
    fuzz::require(strlen(buffer) == std::min<size_t>(text != nullptr ? strlen(text) : 0, sizeof buffer - 1),
                  "a copy is cut to the buffer less one", key);
    OpenInetAddr const addr = inetAddrFromText(text);
    if (text == nullptr)
        fuzz::require(addr.family == 0, "no text is the all-zero address");
    else
        fuzz::require(addr.family == (strchr(text, ':') != nullptr ? 2u : 1u), "the family follows the text");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_stdin = new fuzz::MemoryFd(STDIN_FILENO);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    auto in = fuzz::fields(data, size, 5);
    for (size_t i = 0; i < 4; ++i)
        fuzz::cutAtNul(in[i]);
    std::string const key = in[3].value_or("");
    std::string const body = in[4].value_or("");
    fuzz::setVariable("REQUEST_METHOD", in[0]);
    fuzz::setVariable("QUERY_STRING", in[1]);
    fuzz::setVariable("CONTENT_LENGTH", in[2]);
    g_stdin->fill(body);

    CText text = cgiRequestRead();
    std::optional<std::string> const want = expectedData(in[0], in[1], in[2], body);
    fuzz::require(want.has_value() == (text != nullptr), "request data given exactly when the method calls for it");
    if (want)
        fuzz::require(*want == text.get(), "the request data", *want);

    ParamList list(cgiParamListSplit(text.get()));
    checkPieces(list.get(), text ? text.get() : "");
    checkLookup(list.get(), key);

    ParamList query = queryStringParams();
    checkPieces(query.get(), in[1].value_or(""));
    checkLookup(query.get(), key);

    Json parsed = jsonParse(text.get());
    checkMembers(parsed.get(), key);
    return 0;
}
