// Handler families: the routes that differ only in a member name and a switch
// call are written once here, and each route names its members and its call.
#pragma once

#include "cgi_input.h"
#include "common/response.h"
#include "common/rpc_client.h"
#include "json.h"
#include "values.h"

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>

// A member or group name given as a template argument.
template <size_t N>
struct Name {
    char s[N];
    constexpr Name(char const (&text)[N]) { std::copy_n(text, N, s); }
};

// The request data parsed as one JSON value; the raw text is freed at once.
inline Json readJsonBody()
{
    CText raw = cgiRequestRead();
    return jsonParse(raw.get());
}

// Get-style reply: on result 0 the object that fill builds, under the group
// name; otherwise the mapped code without data.
template <typename Fill>
void replyObject(char const* group, int result, Fill&& fill)
{
    int32_t const code = openResultToRespCode(result);
    if (code != kRespSuccess) {
        replyWithData(code, group, nullptr);
        return;
    }
    Json data(cJSON_CreateObject());
    if (data)
        fill(data.get());
    replyWithData(kRespSuccess, group, std::move(data));
}

// How a value read from the switch is written into a reply member.
using ValueWriter = cJSON* (*)(uint32_t value);
inline cJSON* numberValue(uint32_t value) { return cJSON_CreateNumber(value); }
inline cJSON* modeValue(uint32_t value) { return cJSON_CreateString(modeText(value)); }
inline cJSON* flagValue(uint32_t value) { return cJSON_CreateString(flagText(value)); }

// How a body member becomes the value handed to the switch.
using BodyReader = uint32_t (*)(cJSON const* body, char const* name);

template <typename Call>
struct GetCallValue;
template <typename T>
struct GetCallValue<int (*)(OpenClientHandle*, T*)> {
    using type = T;
};

// Unsupported feature, GET form: under the group name, without a line end.
template <Name Group>
int unsupportedGet()
{
    replyWithData(kRespUnsupported, Group.s, nullptr);
    return 0;
}

// Unsupported feature, every other method: status only, with a line end.
inline int unsupportedSet()
{
    replyStatusOnly(kRespUnsupported);
    return 0;
}

// The set-style start: the request data parsed as one JSON value. Data that
// does not parse is answered 10003, status only, and nothing else happens;
// otherwise use gets the body, makes its call and answers.
template <typename Use>
    requires std::invocable<Use&, cJSON const*>
int withJsonBody(Use&& use)
{
    Json const body = readJsonBody();
    if (!body) {
        replyStatusOnly(kRespInvalidArgument);
        return 0;
    }
    use(static_cast<cJSON const*>(body.get()));
    return 0;
}

// The set-style flow whole: use turns the body into the response code, which
// is answered status only.
template <typename Use>
    requires std::invocable<Use&, cJSON const*>
int replyToBody(Use&& use)
{
    return withJsonBody([&](cJSON const* body) { replyStatusOnly(use(body)); });
}

// PUT of one value: the body member, read by Read, goes by value to Set.
template <Name Member, BodyReader Read, auto Set>
int setValue()
{
    return replyToBody(
        [](cJSON const* body) { return openResultToRespCode(Set(&clientHandle, Read(body, Member.s))); });
}

// GET of one value: Get fills a zeroed variable, written as the one member.
template <Name Group, Name Member, ValueWriter Write, auto Get>
int getValue()
{
    typename GetCallValue<decltype(Get)>::type value = 0;
    int const result = Get(&clientHandle, &value);
    replyObject(Group.s, result, [&](cJSON* data) { jsonAdd(data, Member.s, Json(Write(value))); });
    return 0;
}
