// The stand-in's state file, read a section at a time and kept open between
// the calls of one process, and the texts written by hand in place of library
// calls, byte for byte what those give.
#include "../../sim/state_print.h"
#include "../../sim/state_text.h"
#include "../../sim/tool_text.h"
#include "../../tools/bounded_text.h"
#include "../../tools/sw_calls.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// cJSON's own print of a tree; "<none>" for no tree.
std::string cjsonPrint(cJSON const* tree)
{
    JsonText printed(cJSON_Print(tree));
    return printed ? printed.get() : "<none>";
}

struct PlainCase {
    char const* name;
    std::string text;
};
// The index of the state file: a call parses only the sections it reads, so
// the index must never accept a text that the whole parse refuses, and each
// section must read as the whole parse reads it. Texts the index takes: every
// member, every member of a section, and the row taken from a table (sections
// "d", "e" and "f", table "rows", key "k") must read as cJSON reads them.
PlainCase const kPlain[] = {
    { "sections as the stand-in writes them", "{\n\t\"system\":\t{\n\t\t\"v\":\t\"4.2\"\n\t},\n\t\"dns\":\t[1, 2]\n}\n" },
    { "one line, every kind of value",
      R"({"a":{"b":[true,false,null,-0.5e+3,12,"x"]},"c":"q\"\\\/\b\f\n\r\t\u00e9","d":0,"e":[],"f":{}})" },
    { "the first of two equal names counts, names that differ only in case", R"({"A":0,"a":1,"a":2,"b":{"a":3}})" },
    { "a byte order mark and text after the object", "\xEF\xBB\xBF {\"a\": [1]} trailing" },
    { "the empty object", " { } " },
    { "a section with equal names, nested objects and names in other cases; sections that are not objects",
      R"({"s":{"k":{"k":1},"K":2,"k":3,"kk":[{"k":4}]},"t":{"":5,"k":"v"},"u":[{"k":1}],"v":"k","w":null,"x":{}})" },
    { "a section whose names have escapes", R"({"s":{"x":0,"\u006b":1,"k":2},"t":{"k":3,"\n":4}})" },
    { "rows of objects, the first of two equally long taken",
      R"({"d":{"n":1,"rows":[{"k":"ab"},{"k":"abc","v":[1]},{"x":"y","k":"xyz"}]}})" },
    { "rows without the key, with other values and not objects",
      R"({"d":{"rows":[1,"abcdef",{"k":5},{"k":null},{"x":"longest"},[{"k":"abcdefg"}],{"k":"a","k":"abcd"}]}})" },
    { "an empty table, no row taken, and the first of two tables of the same name",
      R"({"d":{"rows":[]},"e":{"rows":[{"k":""}]},"f":{"rows":[{"k":"a"}],"rows":[{"k":"abc"}]}})" },
    { "tables that are not arrays, sections that are not objects",
      R"({"d":{"rows":{"k":"a"}},"e":[{"rows":[{"k":"a"}]}],"f":{"other":[]}})" },
    { "a key's text with an escape after a row taken", R"({"d":{"rows":[{"k":"abc"},{"k":"a\/b"}]}})" },
    { "an escape in another member of a row", R"({"d":{"rows":[{"k":"a","v":"x\ty"},{"k":"ab"}]}})" },
    { "a name with an escape before the table", R"({"d":{"\u0072ows":[{"k":"a"}],"rows":[{"k":"ab"}]}})" },
};

// Takes a row whose key text is longer than any before it, as the routing
// of the diagnostics takes the longest prefix; counts the rows it is shown.
struct Longest {
    long length = -1;
    int shown = 0;
};

bool longer(std::string_view text, void* context)
{
    auto& longest = *static_cast<Longest*>(context);
    ++longest.shown;
    if (static_cast<long>(text.size()) <= longest.length)
        return false;
    longest.length = static_cast<long>(text.size());
    return true;
}

TEST(StateText, EveryMemberAndRowReadsAsTheWholeParseReadsItAndAsPlaced)
{
    for (PlainCase const& c : kPlain) {
        SCOPED_TRACE(c.name);
        auto text = sim::StateText::index(c.text);
        ASSERT_TRUE(text->plain());
        EXPECT_EQ(text->content(), c.text);
        Json whole(cJSON_Parse(c.text.c_str()));
        ASSERT_TRUE(cJSON_IsObject(whole.get()));
        EXPECT_FALSE(text->has("absent"));
        EXPECT_FALSE(text->parse("absent"));
        EXPECT_FALSE(text->parseMember("absent", "k").value());
        for (cJSON const* member = whole->child; member != nullptr; member = member->next) {
            SCOPED_TRACE(member->string);
            cJSON const* section = cJSON_GetObjectItemCaseSensitive(whole.get(), member->string);
            ASSERT_TRUE(text->has(member->string));
            EXPECT_EQ(cjsonPrint(text->parse(member->string).get()), cjsonPrint(section));
            // A member of a section read alone is the member the whole parse
            // finds, or it is left to the section's parse; only a name with
            // escapes leaves it.
            std::vector<std::string> keys { "absent", "k", "" };
            for (cJSON const* inner = section->child; inner != nullptr; inner = inner->next)
                if (inner->string != nullptr)
                    keys.emplace_back(inner->string);
            for (std::string const& key : keys) {
                SCOPED_TRACE(key);
                std::optional<Json> alone = text->parseMember(member->string, key);
                if (alone)
                    EXPECT_EQ(cjsonPrint(alone->get()), cjsonPrint(cJSON_GetObjectItemCaseSensitive(section, key.c_str())));
                else
                    EXPECT_NE(c.text.find('\\'), std::string::npos) << "left to the section's parse";
            }
        }

        for (char const* section : { "d", "e", "f", "absent" }) {
            SCOPED_TRACE(section);
            Longest longest;
            cJSON const* expected = nullptr;
            cJSON const* rows = cJSON_GetObjectItemCaseSensitive(cJSON_GetObjectItemCaseSensitive(whole.get(), section), "rows");
            cJSON const* row = nullptr;
            if (cJSON_IsArray(rows))
                cJSON_ArrayForEach(row, rows)
                {
                    cJSON const* key = cJSON_GetObjectItemCaseSensitive(row, "k");
                    if (longer(cJSON_IsString(key) ? key->valuestring : "", &longest))
                        expected = row;
                }
            Longest alone;
            std::optional<std::string_view> taken = text->rowText(section, "rows", "k", longer, &alone);
            if (!taken) {
                EXPECT_NE(c.text.find('\\'), std::string::npos) << "left to the section's parse";
                EXPECT_EQ(alone.shown, 0) << "the parse's walk would not be the only one";
                continue;
            }
            bool const any = taken->data() != nullptr;
            EXPECT_EQ(cjsonPrint(any ? sim::StateText::parseRow(*taken).get() : nullptr), cjsonPrint(expected));
            for (char const* field : { "k", "v", "x", "absent" }) {
                SCOPED_TRACE(field);
                Json member = any ? sim::StateText::parseRowMember(*taken, field) : Json();
                EXPECT_EQ(cjsonPrint(member.get()), cjsonPrint(cJSON_GetObjectItemCaseSensitive(expected, field)));
            }
        }

        // Indexed from the places of its members, as a reader takes a file
        // the stand-in wrote: the very members of the scan.
        std::string content = c.text;
        auto const placed = sim::StateText::placed(content, text->places());
        ASSERT_TRUE(placed);
        EXPECT_TRUE(placed->plain());
        EXPECT_EQ(placed->content(), c.text);
        ASSERT_EQ(placed->members().size(), text->members().size());
        for (size_t m = 0; m < text->members().size(); ++m) {
            EXPECT_EQ(placed->members()[m].name, text->members()[m].name);
            EXPECT_EQ(placed->members()[m].value, text->members()[m].value);
        }
    }
}

// Places that do not lie within the text in order are refused, whoever
// wrote them, and the text stays with the caller.
TEST(StateText, PlacesOutsideTheTextAreRefused)
{
    std::string const text = R"({"a":1,"b":[2]})";
    using Place = sim::StateText::Place;
    std::vector<Place> const kBad[] = {
        { { 2, 3, 5, 16 } },                   // the value past the end
        { { 2, 3, 5, 6 }, { 1, 9, 11, 14 } },  // the second before the first
        { { 3, 2, 5, 6 } },                    // a name that ends before it begins
        { { 2, 3, 5, 5 } },                    // an empty value
        { { 2, 6, 5, 6 } },                    // a value that begins within the name
        { { SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX } },
    };
    for (std::vector<Place> const& places : kBad) {
        std::string content = text;
        EXPECT_FALSE(sim::StateText::placed(content, places)) << places[0].nameAt << " " << places.size();
        EXPECT_EQ(content, text);
    }
}

std::string nested(int depth)
{
    return "{\"a\":" + std::string(static_cast<size_t>(depth), '[') + std::string(static_cast<size_t>(depth), ']') + "}";
}

// Texts the index leaves to the whole parse. The first group cJSON refuses
// too; the index must never take those.
PlainCase const kRefused[] = {
    { "a lone low surrogate", R"({"a":"\udc00","b":1})" },
    { "a high surrogate without its pair", R"({"a":"\ud800x"})" },
    { "a trailing comma", R"({"a":[1,2,],"b":1})" },
    { "a missing colon", R"({"a" 1})" },
    { "an unknown escape", R"({"a":"\q"})" },
    { "a short unicode escape", R"({"a":"\u12"})" },
    { "an unterminated object", R"({"a":{"b":1})" },
    { "a number of 64 characters", "{\"a\":" + std::string(64, '1') + "}" },
    { "nesting past cJSON's limit", nested(1001) },
    { "a bare word", R"({"a":nope})" },
    { "not an object", "[1, 2]" },
    { "empty", "" },
    // cJSON takes these; the index leaves them to it.
    { "a valid surrogate pair", R"({"a":"\ud83d\ude00"})" },
    { "a name with an escape", R"({"\u0061":1})" },
    { "a control character inside a string", "{\"a\":\"x\x01y\"}" },
    { "a form feed between values", "{\"a\":\f1}" },
    { "a leading zero", R"({"a":01})" },
    { "deep nesting within cJSON's limit", nested(600) },
};

TEST(StateText, LeavesEveryUnsureTextToTheWholeParse)
{
    for (PlainCase const& c : kRefused) {
        SCOPED_TRACE(c.name);
        auto text = sim::StateText::index(c.text);
        EXPECT_FALSE(text->plain());
        EXPECT_FALSE(text->has("a"));
        EXPECT_EQ(text->content(), c.text);
    }
}

// The stand-in's tool text is snprintf's with "%s", "%u" and "%.3f" into a
// 512-byte line: every time a ping or traceroute reports, ties, signs, NaN and
// the largest values included.
TEST(ToolText, TimesPrintAsPrintfPrintsThemToThreePlaces)
{
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    std::vector<double> values { 0.0, -0.0, 0.0005, 0.0015, 0.0025, 0.0625, 1.0625, -1.0625, 2.5, 0.1235, 11.347,
        8.924, 0.412 + 0.001 * 11, 1e20, 1e300, -1e300, 5e-324, std::numeric_limits<double>::max(), nan, -nan, inf,
        -inf };
    for (int k = 0; k <= 4000; ++k)
        values.push_back(k / 16.0); // exact in binary: every fourth place a tie
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-100000.0, 100000.0);
    for (int k = 0; k < 20000; ++k)
        values.push_back(spread(random));
    for (double value : values) {
        char line[512];
        snprintf(line, sizeof line, "%.3f", value);
        std::string text;
        sim::ToolPiece(text) << sim::Millis { value };
        EXPECT_EQ(text, line) << value;
    }
}

TEST(ToolText, PiecesPrintTextsAndNumbersAndAreCutAsTheLineWas)
{
    std::string const longText(600, 'x');
    struct {
        char const* name;
        std::string text;
        unsigned number;
        std::string expected;
    } const cases[] = {
        { "numbers at their extremes", "n=", 4294967295u, "n=4294967295" },
        { "zero", "", 0, "0" },
        { "a text stops at a NUL, as %s does", std::string("ab\0cd", 5), 7, "ab7" },
        { "a piece longer than the line is cut at 511 bytes", longText, 12, longText.substr(0, 511) },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "before ";
        sim::ToolPiece(text) << c.text << c.number;
        EXPECT_EQ(text, "before " + c.expected);
    }
}

// The print of the state is cJSON_Print's whatever the numbers, the tree left
// as it was.
TEST(StatePrint, IsCJsonsPrintForEveryKindOfNumber)
{
    double const kNumbers[] = {
        0, -0.0, 1, -1, 20, 4294967295.0, -2147483648.0, 2147483648.0,
        999999999999999.0, 1e15, -999999999999999.0, -1e15, 1e16, 9007199254740993.0,
        0.5, -0.5, 0.318, 11.347, 1e-7, 123456789.125, 1e300, -1e300,
        std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::nan(""),
    };
    for (double const number : kNumbers) {
        SCOPED_TRACE(number);
        // A number alone, in an object, in an array, and deeper.
        Json tree(cJSON_Parse(R"({"n":0,"list":[0,{"n":0,"s":"x\"\n\t\u0001y"}],"empty":{},"none":[]})"));
        cJSON* list = cJSON_GetObjectItemCaseSensitive(tree.get(), "list");
        for (cJSON* item : { tree->child, list->child, list->child->next->child })
            cJSON_SetNumberValue(item, number);
        Json alone(cJSON_CreateNumber(number));

        for (cJSON* item : { tree.get(), alone.get() }) {
            std::string const expected = cjsonPrint(item);
            JsonText printed = sim::printState(item);
            ASSERT_TRUE(printed);
            EXPECT_EQ(std::string(printed.get()), expected);
            EXPECT_EQ(cjsonPrint(item), expected) << "the tree is as it was";
        }
        EXPECT_TRUE(cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(tree.get(), "n")));
        EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(tree.get(), "n")->valuestring, nullptr);
    }
}

// The session check's texts are snprintf's in a buffer of the same size, cut
// included.
TEST(BoundedText, IsWhatSnprintfLeaves)
{
    std::string const token(32, 'f');
    struct {
        std::string user;
        long stamp;
        std::string privilege;
        std::string token;
    } const cases[] = {
        { "operator\n", 0, "rw\n", token },
        { "operator\n", -42, "ro\n", token },
        { "admin\n", LONG_MAX, "", token },
        { "admin\n", LONG_MIN, "", token },
        { std::string(252, 'u'), 98765, "ro\n", token },            // cut inside the stamp
        { std::string(255, 'u'), 7, "", token },                    // full before the stamp
        { std::string(255 - 2 - 32, 'u'), 10, "", token },          // exactly 255
        { std::string(255 - 2 - 32 - 1, 'u'), 10, "", token },      // one short
        { std::string(255 - 2 - 32 + 1, 'u'), 10, "", token },      // one over
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.user.size());
        char expected[256];
        int const whole = snprintf(expected, sizeof expected, "%s%ld\n%s%s", c.user.c_str(), c.stamp,
                                   c.privilege.c_str(), c.token.c_str());
        BoundedText<256> text(c.user.c_str());
        text.add(c.stamp);
        text.add("\n");
        text.add(c.privilege.c_str());
        bool const fitted = text.add(c.token.c_str());
        EXPECT_EQ(std::string(text.text), std::string(expected));
        EXPECT_EQ(text.length, std::string(expected).size());
        EXPECT_EQ(fitted, whole < 256);
    }
}

void writeState(std::string const& path, char const* version)
{
    std::ofstream(path, std::ios::trunc) << "{\"system\": {\"networkOsVersion\": \"" << version << "\"}}";
}

// Whatever happens to the state file between two calls, the second sees it,
// and between calls the lock is free for every other process.
TEST(HeldStateFile, EveryChangeBetweenCallsIsSeenAndTheLockIsHeldOnlyWithinACall)
{
    char dir[] = "/tmp/held-state-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string const path = std::string(dir) + "/state.json";
    setenv("SWSIM_STATE", path.c_str(), 1);
    writeState(path, "first");
    OpenClientHandle handle {};
    auto const version = [&handle] {
        char text[64] = {};
        OpenBuffDesc desc { sizeof text, text };
        EXPECT_EQ(rpcclt_openapiNetworkOSVersionGet(&handle, &desc), 0);
        return std::string(text);
    };
    auto const held = [&path] { // this process has the state file open
        std::error_code gone; // the iterator's own descriptor, closed by the time it is read
        for (auto const& fd : std::filesystem::directory_iterator("/proc/self/fd"))
            if (std::filesystem::read_symlink(fd.path(), gone) == path)
                return true;
        return false;
    };

    // The first call completes the file with every section, which replaces it.
    EXPECT_EQ(version(), "first");
    EXPECT_EQ(version(), "first");
    EXPECT_TRUE(held());
    int other = open(path.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0) << "the file stayed locked after the call";
    close(other);

    writeState(path + ".new", "second"); // a new file renamed over it
    ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
    EXPECT_EQ(version(), "second");
    writeState(path, "third-and-longer"); // rewritten in place
    EXPECT_EQ(version(), "third-and-longer");
    unlink(path.c_str()); // removed, then made anew
    writeState(path, "4th");
    EXPECT_EQ(version(), "4th");

    // The teardown call lets the file go.
    openapiClientTearDown(&handle);
    EXPECT_FALSE(held());
    EXPECT_EQ(version(), "4th");
    openapiClientTearDown(&handle);
    unsetenv("SWSIM_STATE");
    std::filesystem::remove_all(dir);
}

} // namespace
