// The stand-in's state file as other tools may leave it: written by hand on
// one line, with members of no section, or with text the whole parse refuses.
// A call reads only its own sections, yet what it answers and what it writes
// back are those of the whole file.
#include "access_cases.h"

#include "../../sim/text_digest.h"
#include "../../tools/json.h"

#include <sys/xattr.h>

#include <string>

using namespace harness;

namespace {

constexpr char kTimeoutUri[] = "/api/v2/mgmt/mgmttelnet/agent-telnet-timeout";
constexpr char kTimeout25[] = R"({"timeout":25})";

class StateFile : public CgiTest {};

std::string compact(cJSON const* item)
{
    JsonText printed(cJSON_PrintUnformatted(item));
    return printed ? printed.get() : "";
}

Json stateNow() { return Json(cJSON_Parse(readFile(kStatePath).c_str())); }

TEST_F(StateFile, AChangeRewritesTheWholeFileKeepingWhatNoSectionOwns)
{
    get(kTimeoutUri); // the stand-in writes its factory state at the first call
    Json const state = stateNow();
    ASSERT_NE(state, nullptr);
    cJSON_AddItemToObject(state.get(), "notes", cJSON_CreateString("kept by a tool"));
    writeFile(kStatePath, compact(state.get()));

    EXPECT_EQ(put(kTimeoutUri, kTimeout25).out, expect::setReply(0));
    EXPECT_EQ(get(kTimeoutUri).out, expect::getReply(0, "mgmttelnet", R"({"pTimeout":25})"));
    std::string const written = readFile(kStatePath);
    EXPECT_EQ(written.rfind("{\n\t", 0), 0u) << "one member a line";
    EXPECT_NE(written.find("\"bonjour\":\t" + compact(cJSON_GetObjectItemCaseSensitive(state.get(), "bonjour")) + ",\n"),
              std::string::npos)
        << "a section no call read keeps its layout";
    cJSON_ReplaceItemInObjectCaseSensitive(cJSON_GetObjectItemCaseSensitive(state.get(), "mgmtTelnet"), "timeout",
                                           cJSON_CreateNumber(25));
    EXPECT_EQ(compact(stateNow().get()), compact(state.get())) << "the notes kept, nothing else changed, nothing moved";
}

TEST_F(StateFile, AChangeToAFileItWroteIsThePrintOfTheWholeState)
{
    // A setting, then a server: the "ntp" section nests objects in arrays.
    ASSERT_EQ(put(kTimeoutUri, kTimeout25).out, expect::setReply(0));
    Json const state = stateNow();
    ASSERT_EQ(post("/api/v2/mgmt/ntp/server", R"({"ipAddr":"192.0.2.10"})").out, expect::setReply(0));
    Json const changed = stateNow();
    ASSERT_TRUE(state && changed);
    cJSON_ReplaceItemInObjectCaseSensitive(state.get(), "ntp",
                                           cJSON_Duplicate(cJSON_GetObjectItemCaseSensitive(changed.get(), "ntp"), true));
    EXPECT_EQ(readFile(kStatePath), std::string(JsonText(cJSON_Print(state.get())).get()) + "\n");
}

// What the stand-in gives a file it writes, so that a later reader need not
// scan it again: the digest of its text and where its members lie.
constexpr char kIndexAttribute[] = "user.swsim.index";

// Has the stand-in write the file; false where the file system keeps no
// attribute of it, or the stand-in is built without its index.
bool writtenWithAttribute()
{
    EXPECT_EQ(put(kTimeoutUri, kTimeout25).out, expect::setReply(0));
    return getxattr(kStatePath, kIndexAttribute, nullptr, 0) > 0;
}

// Damage in a section the request never reads, made in the file the stand-in
// wrote (its attribute kept), on one line or in place at the same size: the
// whole parse refuses the file, so every call fails, as it always did. Which
// texts the whole parse refuses is the index's unit test.
TEST_F(StateFile, DamageAnywhereFailsEveryCallAndLeavesTheFileAlone)
{
    // What takes the place of "ntpd", and whether the file is put on one line.
    for (auto const& [to, oneLine] : { std::pair { R"("\udc00")", true }, { "0x7fff", false } }) {
        SCOPED_TRACE(to);
        renew();
        writtenWithAttribute();
        std::string damaged = readFile(kStatePath);
        if (oneLine)
            damaged = compact(Json(cJSON_Parse(damaged.c_str())).get());
        size_t const at = damaged.find(R"("ntpd")");
        ASSERT_NE(at, std::string::npos);
        damaged.replace(at, 6, to);
        writeFile(kStatePath, damaged);
        EXPECT_EQ(get(kTimeoutUri).out, expect::getReply(10000));
        EXPECT_EQ(put(kTimeoutUri, kTimeout25).out, expect::setReply(10000));
        EXPECT_EQ(readFile(kStatePath), damaged);
    }
}

// Places outside the text are the index's unit test's; here, attributes
// that do not read as one or belong to another text.
TEST_F(StateFile, AnAttributeThatDoesNotFitTheFileIsPassedOver)
{
    if (!writtenWithAttribute())
        GTEST_SKIP() << "no attribute: no extended attributes here, or no index";
    sim::TextDigest digest;
    digest.add(readFile(kStatePath));
    std::string const ofText = digest.text();
    for (std::string const& attribute : { std::string("no digest at all"), ofText + " 3,9,12", ofText + " 3,9,12,40,",
                                          std::string("0123456789abcdef 3,9,12,40") }) {
        SCOPED_TRACE(attribute);
        ASSERT_EQ(setxattr(kStatePath, kIndexAttribute, attribute.data(), attribute.size(), 0), 0);
        EXPECT_EQ(get(kTimeoutUri).out, expect::getReply(0, "mgmttelnet", R"({"pTimeout":25})"));
    }
}

} // namespace
