// The stand-in's index of its state file: a call parses only the sections it
// reads, so the index must never accept a text that the whole parse refuses,
// and each section must read as the whole parse reads it.
#include "../../sim/state_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::string compact(cJSON const* item)
{
    char* printed = cJSON_PrintUnformatted(item);
    std::string text = printed != nullptr ? printed : "<none>";
    cJSON_free(printed);
    return text;
}

struct PlainCase {
    char const* name;
    std::string text;
};

// Texts the index takes: every member must read as cJSON reads it whole.
PlainCase const kPlain[] = {
    { "sections as the stand-in writes them", "{\n\t\"system\":\t{\n\t\t\"v\":\t\"4.2\"\n\t},\n\t\"dns\":\t[1, 2]\n}\n" },
    { "one line, every kind of value",
      R"({"a":{"b":[true,false,null,-0.5e+3,12,"x"]},"c":"q\"\\\/\b\f\n\r\t\u00e9","d":0,"e":[],"f":{}})" },
    { "the first of two equal names counts", R"({"a":1,"a":2,"b":{"a":3}})" },
    { "a byte order mark and text after the object", "\xEF\xBB\xBF {\"a\": [1]} trailing" },
    { "the empty object", " { } " },
    { "names that differ only in case", R"({"Dns":1,"dns":2})" },
    { "a section with equal names, nested objects and names in other cases",
      R"({"s":{"k":{"k":1},"K":2,"k":3,"kk":[{"k":4}]},"t":{"":5,"k":"v"}})" },
    { "a section whose names have escapes", R"({"s":{"x":0,"\u006b":1,"k":2},"t":{"k":3,"\n":4}})" },
    { "sections that are not objects", R"({"s":[{"k":1}],"t":"k","u":null,"v":{}})" },
};

// A member of a section read alone is the member the whole parse finds, or
// it is left to the section's parse; only a name with escapes leaves it.
void expectMembersReadAsTheWholeParseReadsThem(sim::StateText const& text, cJSON const* whole)
{
    for (cJSON const* section = whole->child; section != nullptr; section = section->next) {
        std::vector<std::string> keys { "absent", "k", "" };
        for (cJSON const* member = section->child; member != nullptr; member = member->next)
            if (member->string != nullptr)
                keys.emplace_back(member->string);
        for (std::string const& key : keys) {
            SCOPED_TRACE(std::string(section->string) + "." + key);
            std::optional<Json> alone = text.parseMember(section->string, key);
            cJSON const* expected = cJSON_GetObjectItemCaseSensitive(section, key.c_str());
            if (!alone) {
                EXPECT_NE(text.content().find('\\'), std::string::npos) << "left to the section's parse";
                continue;
            }
            EXPECT_EQ(compact(alone->get()), compact(expected));
        }
    }
    EXPECT_FALSE(text.parseMember("absent", "k").value());
}

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

PlainCase const kRows[] = {
    { "rows of objects, the first of two equally long taken",
      R"({"d":{"n":1,"rows":[{"k":"ab"},{"k":"abc","v":[1]},{"x":"y","k":"xyz"}]}})" },
    { "rows without the key, with other values and not objects",
      R"({"d":{"rows":[1,"abcdef",{"k":5},{"k":null},{"x":"longest"},[{"k":"abcdefg"}],{"k":"a","k":"abcd"}]}})" },
    { "an empty table, and no row taken", R"({"d":{"rows":[]},"e":{"rows":[{"k":""}]}})" },
    { "tables that are not arrays, sections that are not objects",
      R"({"d":{"rows":{"k":"a"}},"e":[{"rows":[{"k":"a"}]}],"f":{"other":[]}})" },
    { "the first of two tables of the same name", R"({"d":{"rows":[{"k":"a"}],"rows":[{"k":"abc"}]}})" },
    { "a key's text with an escape after a row taken", R"({"d":{"rows":[{"k":"abc"},{"k":"a\/b"}]}})" },
    { "an escape in another member of a row", R"({"d":{"rows":[{"k":"a","v":"x\ty"},{"k":"ab"}]}})" },
    { "a name with an escape before the table", R"({"d":{"\u0072ows":[{"k":"a"}],"rows":[{"k":"ab"}]}})" },
};

TEST(StateText, TheRowTakenAloneIsTheRowTheWholeParseTakes)
{
    for (PlainCase const& c : kRows) {
        SCOPED_TRACE(c.name);
        auto text = sim::StateText::index(c.text);
        ASSERT_TRUE(text->plain());
        Json whole(cJSON_Parse(c.text.c_str()));
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
            EXPECT_EQ(compact(any ? sim::StateText::parseRow(*taken).get() : nullptr), compact(expected));
            for (char const* field : { "k", "v", "x", "absent" }) {
                SCOPED_TRACE(field);
                Json member = any ? sim::StateText::parseRowMember(*taken, field) : Json();
                EXPECT_EQ(compact(member.get()), compact(cJSON_GetObjectItemCaseSensitive(expected, field)));
            }
        }
    }
}

TEST(StateText, EveryMemberReadsAsTheWholeParseReadsItAndAsPlaced)
{
    for (PlainCase const& c : kPlain) {
        SCOPED_TRACE(c.name);
        auto text = sim::StateText::index(c.text);
        ASSERT_TRUE(text->plain());
        Json whole(cJSON_Parse(c.text.c_str()));
        ASSERT_TRUE(cJSON_IsObject(whole.get()));
        for (cJSON const* member = whole->child; member != nullptr; member = member->next) {
            SCOPED_TRACE(member->string);
            ASSERT_TRUE(text->has(member->string));
            Json part = text->parse(member->string);
            EXPECT_EQ(compact(part.get()),
                      compact(cJSON_GetObjectItemCaseSensitive(whole.get(), member->string)));
        }
        EXPECT_FALSE(text->has("absent"));
        EXPECT_FALSE(text->parse("absent"));
        expectMembersReadAsTheWholeParseReadsThem(*text, whole.get());
        EXPECT_EQ(text->content(), c.text);

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

} // namespace
