// The stand-in's state file as other tools may leave it: written by hand on
// one line, with members of no section, or with text the whole parse refuses.
// A call reads only its own sections, yet what it answers and what it writes
// back are those of the whole file.
#include "access_cases.h"

#include "../../sim/text_digest.h"

#include <cjson/cJSON.h>
#include <sys/xattr.h>

#include <string>

using namespace harness;

namespace {

constexpr char kTimeoutUri[] = "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout";

class StateFile : public CgiTest {};

std::string compact(cJSON const* item)
{
    char* printed = cJSON_PrintUnformatted(item);
    std::string text = printed != nullptr ? printed : "";
    cJSON_free(printed);
    return text;
}

TEST_F(StateFile, AChangeRewritesTheWholeFileKeepingWhatNoSectionOwns)
{
    get(kTimeoutUri); // the stand-in writes its factory state at the first call
    cJSON* state = cJSON_Parse(readFile(kStatePath).c_str());
    ASSERT_NE(state, nullptr);
    cJSON_AddItemToObject(state, "notes", cJSON_CreateString("kept by a tool"));
    std::string const oneLine = compact(state);
    writeFile(kStatePath, oneLine);

    EXPECT_EQ(put(kTimeoutUri, R"({"timeout":25})").out, expect::setReply(0));
    EXPECT_EQ(get(kTimeoutUri).out, expect::getReply(0, "mgmttelnet", R"({"pTimeout":25})"));

    std::string const written = readFile(kStatePath);
    EXPECT_EQ(written.rfind("{\n\t", 0), 0u) << "one member a line";
    cJSON const* bonjour = cJSON_GetObjectItemCaseSensitive(state, "bonjour");
    EXPECT_NE(written.find("\"bonjour\":\t" + compact(bonjour) + ",\n"), std::string::npos)
        << "a section no call read keeps its layout";
    cJSON* reread = cJSON_Parse(written.c_str());
    ASSERT_NE(reread, nullptr);
    cJSON* before = cJSON_Parse(oneLine.c_str());
    cJSON_ReplaceItemInObjectCaseSensitive(cJSON_GetObjectItemCaseSensitive(before, "mgmtTelnet"), "timeout",
                                           cJSON_CreateNumber(25));
    EXPECT_EQ(compact(reread), compact(before)) << "the notes kept, nothing else changed, nothing moved";
    cJSON_Delete(before);
    cJSON_Delete(reread);
    cJSON_Delete(state);
}

TEST_F(StateFile, AChangeToAFileItWroteIsThePrintOfTheWholeState)
{
    // A setting, then a server: the "ntp" section nests objects in arrays.
    ASSERT_EQ(put(kTimeoutUri, R"({"timeout":25})").out, expect::setReply(0));
    cJSON* state = cJSON_Parse(readFile(kStatePath).c_str());
    ASSERT_NE(state, nullptr);
    ASSERT_EQ(post("/api/v2/mgmt/ntp/server", R"({"ipAddr":"192.0.2.10"})").out, expect::setReply(0));
    cJSON* changed = cJSON_Parse(readFile(kStatePath).c_str());
    ASSERT_NE(changed, nullptr);
    cJSON_ReplaceItemInObjectCaseSensitive(state, "ntp",
                                           cJSON_Duplicate(cJSON_GetObjectItemCaseSensitive(changed, "ntp"), true));
    char* printed = cJSON_Print(state);
    EXPECT_EQ(readFile(kStatePath), std::string(printed) + "\n");
    cJSON_free(printed);
    cJSON_Delete(changed);
    cJSON_Delete(state);
}

// What the stand-in gives a file it writes, so that a later reader need not
// scan it again: the digest of its text and where its members lie.
constexpr char kIndexAttribute[] = "user.swsim.index";

// Has the stand-in write the file; false where the file system keeps no
// attribute of it, or the stand-in is built without its index.
bool writtenWithAttribute()
{
    EXPECT_EQ(put(kTimeoutUri, R"({"timeout":25})").out, expect::setReply(0));
    return getxattr(kStatePath, kIndexAttribute, nullptr, 0) > 0;
}

// Damage in a section the request never reads, made in the file the stand-in
// wrote (its attribute kept), on one line or in place at the same size: the
// whole parse refuses the file, so every call fails, as it always did.
TEST_F(StateFile, DamageAnywhereFailsEveryCallAndLeavesTheFileAlone)
{
    struct RefusedCase {
        char const* name;
        char const* to; // in place of "ntpd"
        bool oneLine;
    } const kCases[] = {
        { "a lone surrogate escape", R"("\udc00")", true },
        { "a missing value", "", true },
        { "a number, the same size", "0x7fff", false },
    };
    for (RefusedCase const& c : kCases) {
        SCOPED_TRACE(c.name);
        renew();
        writtenWithAttribute();
        std::string damaged = readFile(kStatePath);
        if (c.oneLine) {
            cJSON* state = cJSON_Parse(damaged.c_str());
            damaged = compact(state);
            cJSON_Delete(state);
        }
        size_t const at = damaged.find(R"("ntpd")");
        ASSERT_NE(at, std::string::npos);
        damaged.replace(at, 6, c.to);
        writeFile(kStatePath, damaged);
        EXPECT_EQ(get(kTimeoutUri).out, expect::getReply(10000));
        EXPECT_EQ(put(kTimeoutUri, R"({"timeout":25})").out, expect::setReply(10000));
        EXPECT_EQ(readFile(kStatePath), damaged);
    }
}

TEST_F(StateFile, AnAttributeThatDoesNotFitTheFileIsPassedOver)
{
    if (!writtenWithAttribute())
        GTEST_SKIP() << "no attribute: no extended attributes here, or no index";
    std::string const text = readFile(kStatePath);
    sim::TextDigest digest;
    digest.add(text);
    std::string const ofText = digest.text();
    // Places outside the text are the index's unit test's; here, attributes
    // that do not read as one or belong to another text.
    std::string const kAttributes[] = {
        "no digest at all",
        ofText + " 3,9,12", // a place cut short
        ofText + " 3,9,12,40,",
        "0123456789abcdef 3,9,12,40", // the digest of another text
    };
    for (std::string const& attribute : kAttributes) {
        SCOPED_TRACE(attribute);
        ASSERT_EQ(setxattr(kStatePath, kIndexAttribute, attribute.data(), attribute.size(), 0), 0);
        EXPECT_EQ(get(kTimeoutUri).out, expect::getReply(0, "mgmttelnet", R"({"pTimeout":25})"));
    }
}

} // namespace
