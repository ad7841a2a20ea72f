// Ping and traceroute: every variant reads its members, has the switch run
// the tool into a zero-filled output buffer, and answers with the tool's text.
#pragma once

#include "body_args.h"

#include "../../tools/sw_calls_diag.h"

// "family": the address family of the destination, exactly as named.
inline constexpr WordCode kAddressFamilies[] = { { "inet", kAfInet }, { "inet6", kAfInet6 } };
using Family = BodyCode<"family", kAddressFamilies, kAfNone>;

// How a failed run is answered: ping with the status only and a line end,
// traceroute in the failure form of a get reply, without one.
enum class DiagFailure { StatusOnly, WithoutData };

// On success {"output": text} under the group name, without a line end.
inline void replyDiagOutput(char const* group, DiagFailure failure, int result, char const* text)
{
    int32_t const code = openResultToRespCode(result);
    if (code != kRespSuccess && failure == DiagFailure::StatusOnly) {
        replyStatusOnly(code);
        return;
    }
    replyObject(group, result, [&](cJSON* data) { jsonAdd(data, "output", Json(cJSON_CreateString(text))); });
}

// One tool variant: the readers give the call's arguments in order, and the
// output buffer of OutSize bytes comes last.
template <Name Group, DiagFailure Failure, size_t OutSize, auto Run, typename... Args>
int diagRun()
{
    OutText<OutSize> output;
    OpenBuffDesc desc = output.desc();
    return withJsonBody([&](cJSON const* body) {
        int const result = Run(&clientHandle, Args(body).arg()..., &desc);
        replyDiagOutput(Group.s, Failure, result, output.str());
    });
}
