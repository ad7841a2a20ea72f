// The program's secret names are the inputs the description marks secret
// ("format": "password"), no more and no fewer, so the two cannot drift.
#include "../../tools/audit.h"
#include "../../tools/json.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

bool markedPassword(cJSON const* schema)
{
    char const* format = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(schema, "format"));
    return format != nullptr && std::string(format) == "password";
}

// Every member or parameter under node whose schema says "password".
void collectMarked(cJSON const* node, std::set<std::string>& marked)
{
    for (cJSON const* child = node != nullptr ? node->child : nullptr; child != nullptr; child = child->next) {
        if (markedPassword(child) && child->string != nullptr)
            marked.insert(child->string);
        char const* name = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(child, "name"));
        if (name != nullptr && markedPassword(cJSON_GetObjectItemCaseSensitive(child, "schema")))
            marked.insert(name);
        collectMarked(child, marked);
    }
}

TEST(AuditSecrets, AreTheDescriptionsSecretInputs)
{
    std::ifstream in(MGMT_API_JSON);
    Json const description = jsonParse(std::string(std::istreambuf_iterator<char>(in), {}).c_str());
    ASSERT_TRUE(description) << MGMT_API_JSON;
    std::set<std::string> marked;
    collectMarked(cJSON_GetObjectItemCaseSensitive(description.get(), "paths"), marked);
    std::span<char const* const> const members = auditSecretMembers();
    EXPECT_FALSE(marked.empty());
    EXPECT_EQ(marked, std::set<std::string>(members.begin(), members.end()));
    for (std::string const& name : marked)
        EXPECT_TRUE(auditSecret(name.c_str())) << name;
    EXPECT_FALSE(auditSecret("keyNumber"));
}

} // namespace
