// The program's secret names are the inputs the description marks secret
// ("format": "password"), no more and no fewer, so the two cannot drift.
#include "../../tools/audit.h"
#include "../../tools/json.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

// Every member or parameter under node whose schema says "password".
void collectMarked(cJSON const* node, std::set<std::string>& marked)
{
    for (cJSON const* child = node != nullptr ? node->child : nullptr; child != nullptr; child = child->next) {
        cJSON const* format = cJSON_GetObjectItemCaseSensitive(child, "format");
        if (cJSON_IsString(format) && std::string(format->valuestring) == "password" && child->string != nullptr)
            marked.insert(child->string);
        cJSON const* schema = cJSON_GetObjectItemCaseSensitive(child, "schema");
        cJSON const* name = cJSON_GetObjectItemCaseSensitive(child, "name");
        if (cJSON_IsString(name) && schema != nullptr) {
            cJSON const* paramFormat = cJSON_GetObjectItemCaseSensitive(schema, "format");
            if (cJSON_IsString(paramFormat) && std::string(paramFormat->valuestring) == "password")
                marked.insert(name->valuestring);
        }
        collectMarked(child, marked);
    }
}

TEST(AuditSecrets, AreTheDescriptionsSecretInputs)
{
    std::ifstream in(MGMT_API_JSON);
    std::stringstream text;
    text << in.rdbuf();
    Json const description = jsonParse(text.str().c_str());
    ASSERT_TRUE(description) << MGMT_API_JSON;
    std::set<std::string> marked;
    collectMarked(cJSON_GetObjectItemCaseSensitive(description.get(), "paths"), marked);
    std::set<std::string> listed;
    for (char const* name : auditSecretMembers())
        listed.insert(name);
    EXPECT_FALSE(marked.empty());
    EXPECT_EQ(marked, listed);
    for (std::string const& name : marked)
        EXPECT_TRUE(auditSecret(name.c_str())) << name;
    EXPECT_FALSE(auditSecret("keyNumber"));
}

} // namespace
