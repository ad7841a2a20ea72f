// What the NTP black-box tests share: requests to an NTP resource, the
// success reply with data, and seeding the stand-in's "ntp" section.
#pragma once

#include "access_cases.h"

#include <cjson/cJSON.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ntp_test {

using namespace harness;

struct Call {
    std::string method;
    std::string resource;
    std::optional<std::string> query {};
    std::optional<std::string> body {};
    std::optional<std::string> faults {};
};

inline Result request(Call const& c)
{
    return run({ .method = c.method, .uri = "/api/v2/mgmt/ntp/" + c.resource, .query = c.query, .body = c.body, .faults = c.faults });
}

// The whole output of a successful get with this data object.
inline std::string data(std::string const& object) { return getReply(0, "Success", "ntp", object.c_str()); }

inline std::string const kOkSet = setReply(0, "Success");

using expect::fault;

// A request in a sequence over one state, with its whole reply.
using Step = std::pair<Call, std::string>;

inline void expectSteps(std::span<Step const> steps)
{
    for (auto const& [call, reply] : steps)
        EXPECT_EQ(request(call).out, reply) << call.method << " " << call.resource << " " << call.query.value_or("")
                                            << call.body.value_or("") << call.faults.value_or("");
}

// Sets members of the stand-in's "ntp" section (JSON values), starting from
// its factory defaults when there is no state yet.
inline void seed(std::vector<std::pair<std::string, std::string>> const& members)
{
    if (!exists(kStatePath))
        request({ "GET", "version" });
    cJSON* root = cJSON_Parse(readFile(kStatePath).c_str());
    cJSON* ntp = cJSON_GetObjectItemCaseSensitive(root, "ntp");
    for (auto const& [key, value] : members) {
        cJSON_DeleteItemFromObjectCaseSensitive(ntp, key.c_str());
        cJSON_AddItemToObject(ntp, key.c_str(), cJSON_Parse(value.c_str()));
    }
    char* printed = cJSON_Print(root);
    writeFile(kStatePath, printed);
    cJSON_free(printed);
    cJSON_Delete(root);
}

} // namespace ntp_test
