// The set-style flow of handlers that take several members from a JSON body.
#pragma once

#include "families.h"

#include <concepts>

// Parses the body; one that does not parse is refused with 10003 before
// anything else happens. Otherwise use turns the body into the response code,
// which is answered status only.
template <typename Use>
    requires std::invocable<Use&, cJSON const*>
int replyToBody(Use&& use)
{
    Json body = readJsonBody();
    replyStatusOnly(body ? use(static_cast<cJSON const*>(body.get())) : kRespInvalidArgument);
    return 0;
}
