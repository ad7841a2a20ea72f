#include "state_text.h"

#include <array>
#include <cstring>

namespace sim {
namespace {

// Deep enough for any state, well short of the depth cJSON refuses.
constexpr int kDepthLimit = 512;
// cJSON reads at most 63 characters of a number.
constexpr long kNumberLimit = 63;
// Room for the sections of a state file at once, rather than growing one at
// a time through the allocator.
constexpr size_t kExpectedMembers = 16;

// What a byte is to the scanner's busiest loops: the white space of JSON; a
// byte a string holds as it stands (neither a quote, a backslash nor a
// control character; the text's end is a control character); a byte that
// ends a number or a literal; a byte that a step over a container already
// scanned must look at (a quote, a bracket, or the text's end).
constexpr unsigned char kSpace = 1;
constexpr unsigned char kPlain = 2;
constexpr unsigned char kScalarEnd = 4;
constexpr unsigned char kStructural = 8;

constexpr auto kClass = [] {
    std::array<unsigned char, 256> table {};
    for (int c = 0x20; c < 0x100; ++c)
        table[static_cast<size_t>(c)] = c == '"' || c == '\\' ? 0 : kPlain;
    for (char c : { ' ', '\t', '\n', '\r' })
        table[static_cast<unsigned char>(c)] |= kSpace | kScalarEnd;
    for (char c : { ',', '}', ']', '\0' })
        table[static_cast<unsigned char>(c)] |= kScalarEnd;
    for (char c : { '"', '{', '}', '[', ']', '\0' })
        table[static_cast<unsigned char>(c)] |= kStructural;
    return table;
}();

// A strict JSON scanner that builds nothing. What it accepts, cJSON's parse
// accepts too; whatever it is unsure of (white space other than the four of
// JSON, control characters in strings, surrogate escapes, deep nesting, long
// numbers) it refuses, and the text then goes to cJSON whole.
//
// Each step takes the place it starts at and gives back the place after
// what it read, or null for text it refuses, so that the place stays in a
// register through the loops rather than in memory.
//
// Every text it reads ends with a NUL, which no step passes.

char const* skipSpace(char const* p)
{
    while ((kClass[static_cast<unsigned char>(*p)] & kSpace) != 0)
        ++p;
    return p;
}

char const* skipPlain(char const* p)
{
    while ((kClass[static_cast<unsigned char>(*p)] & kPlain) != 0)
        ++p;
    return p;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char const* skipDigits(char const* p)
{
    while (isDigit(*p))
        ++p;
    return p;
}

// At the "u": four hex digits, not a surrogate, whose pairing rules are
// cJSON's own.
char const* unicodeEscape(char const* p)
{
    unsigned code = 0;
    for (int i = 1; i <= 4; ++i) {
        int const h = hexDigit(p[i]);
        if (h < 0)
            return nullptr;
        code = code * 16 + static_cast<unsigned>(h);
    }
    if (code >= 0xD800 && code <= 0xDFFF)
        return nullptr;
    return p + 5;
}

// At the opening quote; escapes is set when the string has any.
char const* scanString(char const* p, bool* escapes)
{
    ++p;
    for (;;) {
        p = skipPlain(p);
        auto const c = static_cast<unsigned char>(*p);
        if (c == '"')
            return p + 1;
        if (c != '\\') // a control character, or the end of the text
            return nullptr;
        *escapes = true;
        ++p;
        switch (*p) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't': ++p; break;
        case 'u':
            p = unicodeEscape(p);
            if (p == nullptr)
                return nullptr;
            break;
        default: return nullptr;
        }
    }
}

char const* scanLiteral(char const* p, std::string_view word)
{
    if (strncmp(p, word.data(), word.size()) != 0) // stops at the text's end
        return nullptr;
    return p + word.size();
}

char const* scanNumber(char const* p)
{
    char const* const start = p;
    if (*p == '-')
        ++p;
    if (!isDigit(*p))
        return nullptr;
    p = *p == '0' ? p + 1 : skipDigits(p);
    if (*p == '.') {
        if (!isDigit(*++p))
            return nullptr;
        p = skipDigits(p);
    }
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (!isDigit(*p))
            return nullptr;
        p = skipDigits(p);
    }
    return p - start <= kNumberLimit ? p : nullptr;
}

char const* scanScalar(char const* p)
{
    bool escapes = false;
    switch (*p) {
    case '"': return scanString(p, &escapes);
    case 't': return scanLiteral(p, "true");
    case 'f': return scanLiteral(p, "false");
    case 'n': return scanLiteral(p, "null");
    default: return scanNumber(p);
    }
}

// A member's name and its colon, up to its value.
char const* scanName(char const* p)
{
    bool escapes = false;
    if (*p != '"' || (p = scanString(p, &escapes)) == nullptr)
        return nullptr;
    p = skipSpace(p);
    return *p == ':' ? p + 1 : nullptr;
}

// One value, whatever it holds: containers are followed through a stack of
// their kinds rather than by recursion, one loop for every level.
char const* scanValue(char const* p)
{
    std::array<uint64_t, kDepthLimit / 64> objects {}; // a bit per open container: set for an object
    int depth = 0;
    for (;;) {
        p = skipSpace(p);
        char const c = *p;
        if (c == '{' || c == '[') {
            if (depth == kDepthLimit)
                return nullptr;
            bool const object = c == '{';
            uint64_t const bit = uint64_t { 1 } << (depth % 64);
            if (object)
                objects[static_cast<size_t>(depth / 64)] |= bit;
            else
                objects[static_cast<size_t>(depth / 64)] &= ~bit;
            ++depth;
            p = skipSpace(p + 1);
            if (*p != (object ? '}' : ']')) {
                if (object && (p = scanName(p)) == nullptr)
                    return nullptr;
                continue; // the first item's value
            }
            ++p;
            --depth;
        } else if ((p = scanScalar(p)) == nullptr) {
            return nullptr;
        }
        // After a value: close what ends here, up to the next item.
        for (;;) {
            if (depth == 0)
                return p;
            p = skipSpace(p);
            bool const object = (objects[static_cast<size_t>((depth - 1) / 64)] >> ((depth - 1) % 64) & 1) != 0;
            if (*p == ',') {
                p = skipSpace(p + 1);
                if (object && (p = scanName(p)) == nullptr)
                    return nullptr;
                break; // the next item's value
            }
            if (*p != (object ? '}' : ']'))
                return nullptr;
            ++p;
            --depth;
        }
    }
}

// Steps over one value of a text the scan above has taken whole, looking
// only at what can end it: a string's quote (past its escapes), a bracket
// outside strings, the end of a number or literal.
char const* skipScanned(char const* p)
{
    auto const skipString = [](char const* q) {
        ++q;
        for (;;) {
            q = skipPlain(q);
            if (*q != '\\' || q[1] == '\0')
                return *q == '"' ? q + 1 : q;
            q += 2;
        }
    };
    p = skipSpace(p);
    if (*p == '"')
        return skipString(p);
    if (*p != '{' && *p != '[') {
        while ((kClass[static_cast<unsigned char>(*p)] & kScalarEnd) == 0)
            ++p;
        return p;
    }
    long depth = 0;
    for (;;) {
        while ((kClass[static_cast<unsigned char>(*p)] & kStructural) == 0)
            ++p;
        switch (*p) {
        case '"': p = skipString(p); break;
        case '{':
        case '[':
            ++depth;
            ++p;
            break;
        case '}':
        case ']':
            ++p;
            if (--depth == 0)
                return p;
            break;
        default: return p; // the text's end
        }
    }
}

// A place in a text for the walks below, moved on by the steps above. Over
// a text the scan has already taken, values are stepped over rather than
// scanned again.
class Scanner {
public:
    enum class Text { Unchecked, Scanned };

    explicit Scanner(char const* text, Text kind = Text::Scanned)
        : m_p(text)
        , m_scanned(kind == Text::Scanned)
    {
    }

    char const* at() const { return m_p; }
    void space() { m_p = skipSpace(m_p); }
    bool take(char c)
    {
        if (*m_p != c)
            return false;
        ++m_p;
        return true;
    }
    bool value() { return advance(m_scanned ? skipScanned(m_p) : scanValue(m_p)); }
    // At the opening quote; escapes is set when the string has any.
    bool string(bool* escapes) { return advance(scanString(m_p, escapes)); }

private:
    bool advance(char const* to)
    {
        if (to == nullptr)
            return false;
        m_p = to;
        return true;
    }

    char const* m_p;
    bool m_scanned;
};

// What a walk over an object's members does after one member.
enum class Visit { Next, Stop, Refuse };

// Walks the items of the container that open begins at the scanner's
// place, each read by item, which says what the walk does next (Refuse also
// for an item that is not plain). False when the text is not plainly such a
// container or an item refused; true when it ended or an item stopped it.
template <typename Item>
bool walkItems(Scanner& scan, char open, char close, Item&& item)
{
    scan.space();
    if (!scan.take(open))
        return false;
    scan.space();
    if (scan.take(close))
        return true;
    do {
        scan.space();
        switch (item()) {
        case Visit::Next: break;
        case Visit::Stop: return true;
        case Visit::Refuse: return false;
        }
        scan.space();
    } while (scan.take(','));
    return scan.take(close);
}

// The value at the scanner's place, as its text; false when it is not plain.
bool valueText(Scanner& scan, std::string_view& text)
{
    scan.space();
    char const* start = scan.at();
    if (!scan.value())
        return false;
    text = std::string_view(start, static_cast<size_t>(scan.at() - start));
    return true;
}

// Walks the members of the object at the scanner's place, in the text's
// order, handing visit each name as it stands (escapes says whether it has
// any) and the value's text.
template <typename Visitor>
bool walkMembers(Scanner& scan, Visitor&& visit)
{
    return walkItems(scan, '{', '}', [&] {
        char const* nameStart = scan.at();
        bool escapes = false;
        if (*nameStart != '"' || !scan.string(&escapes))
            return Visit::Refuse;
        std::string_view const name(nameStart + 1, static_cast<size_t>(scan.at() - nameStart - 2));
        scan.space();
        std::string_view value;
        if (!scan.take(':') || !valueText(scan, value))
            return Visit::Refuse;
        return visit(name, escapes, value);
    });
}

// Walks the elements of the array at the scanner's place, in the text's
// order, handing visit each element's text.
template <typename Visitor>
bool walkElements(Scanner& scan, Visitor&& visit)
{
    return walkItems(scan, '[', ']', [&] {
        std::string_view value;
        return valueText(scan, value) ? visit(value) : Visit::Refuse;
    });
}

// The text as a tree of its own; none for a text that is not there (no data).
Json parseText(std::string_view text)
{
    if (text.data() == nullptr)
        return Json();
    return Json(cJSON_ParseWithLengthOpts(text.data(), text.size(), nullptr, 0));
}

} // namespace

std::unique_ptr<StateText> StateText::index(std::string content)
{
    auto text = std::make_unique<StateText>();
    text->m_content = std::move(content);
    text->m_members.reserve(kExpectedMembers);
    text->m_plain = text->scan();
    if (!text->m_plain)
        text->m_members.clear();
    return text;
}

std::unique_ptr<StateText> StateText::placed(std::string& content, std::span<Place const> places)
{
    size_t end = 0; // where the last member ended
    for (Place const& place : places) {
        if (place.nameAt < end || place.nameEnd < place.nameAt || place.valueAt < place.nameEnd
            || place.valueEnd <= place.valueAt || place.valueEnd > content.size())
            return nullptr;
        end = place.valueEnd;
    }
    auto text = std::make_unique<StateText>();
    text->m_content = std::move(content);
    text->m_members.reserve(places.size());
    std::string_view const whole = text->m_content;
    for (Place const& place : places)
        text->m_members.push_back({ whole.substr(place.nameAt, place.nameEnd - place.nameAt),
                                    whole.substr(place.valueAt, place.valueEnd - place.valueAt) });
    text->m_plain = true;
    return text;
}

std::vector<StateText::Place> StateText::places() const
{
    std::vector<Place> places;
    places.reserve(m_members.size());
    auto const at = [this](char const* p) { return static_cast<size_t>(p - m_content.data()); };
    for (Member const& member : m_members)
        places.push_back({ at(member.name.data()), at(member.name.data() + member.name.size()),
                           at(member.value.data()), at(member.value.data() + member.value.size()) });
    return places;
}

bool StateText::scan()
{
    size_t const bom = m_content.starts_with("\xEF\xBB\xBF") ? 3 : 0; // cJSON skips a byte order mark
    Scanner scan(m_content.c_str() + bom, Scanner::Text::Unchecked);
    // What follows the object does not count, as with cJSON_Parse.
    return walkMembers(scan, [this](std::string_view name, bool escapes, std::string_view value) {
        if (escapes)
            return Visit::Refuse;
        m_members.push_back({ name, value });
        return Visit::Next;
    });
}

StateText::Member const* StateText::find(std::string_view name) const
{
    for (Member const& member : m_members)
        if (member.name == name)
            return &member;
    return nullptr;
}

bool StateText::has(std::string_view name) const
{
    return find(name) != nullptr;
}

Json StateText::parse(std::string_view name) const
{
    Member const* member = find(name);
    if (member == nullptr)
        return nullptr;
    return parseText(member->value);
}

namespace {

// The text of the first member named key of the object text: an empty view
// (no data) when there is none or the text is not an object; nothing when a
// name before it has escapes, which only a parse can compare. The text was
// taken whole by the scan, so the walk ends within it.
std::optional<std::string_view> memberText(std::string_view object, std::string_view key)
{
    if (object.front() != '{')
        return std::string_view();
    Scanner scan(object.data());
    std::string_view value;
    bool const plain = walkMembers(scan, [&](std::string_view name, bool escapes, std::string_view text) {
        if (escapes)
            return Visit::Refuse;
        if (name != key)
            return Visit::Next;
        value = text;
        return Visit::Stop;
    });
    if (!plain)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string_view> StateText::sectionMember(std::string_view section, std::string_view key) const
{
    Member const* found = find(section);
    return found != nullptr ? memberText(found->value, key) : std::string_view();
}

std::optional<Json> StateText::parseMember(std::string_view section, std::string_view key) const
{
    std::optional<std::string_view> value = sectionMember(section, key);
    if (!value)
        return std::nullopt;
    return parseText(*value);
}

std::optional<std::string_view> StateText::rowText(std::string_view section, std::string_view table,
                                                   std::string_view key,
                                                   bool (*choose)(std::string_view text, void* context),
                                                   void* context) const
{
    std::optional<std::string_view> rows = sectionMember(section, table);
    if (!rows || (rows->data() != nullptr && rows->find('\\') != std::string_view::npos))
        return std::nullopt;
    if (rows->data() == nullptr || rows->front() != '[')
        return std::string_view(); // no table
    // Without escapes in the table, no step below refuses: the scan took
    // the text whole.
    Scanner scan(rows->data());
    std::string_view taken;
    walkElements(scan, [&](std::string_view row) {
        // The key's text as text() reads it: "" for anything but a string.
        std::string_view value = memberText(row, key).value_or(std::string_view());
        std::string_view text;
        if (value.data() != nullptr && value.front() == '"')
            text = value.substr(1, value.size() - 2);
        if (choose(text, context))
            taken = row;
        return Visit::Next;
    });
    return taken;
}

Json StateText::parseRow(std::string_view row)
{
    return parseText(row);
}

Json StateText::parseRowMember(std::string_view row, std::string_view key)
{
    return parseText(memberText(row, key).value_or(std::string_view()));
}

} // namespace sim
