// The state file's text with the place of each section in it, so that a call
// parses only the sections it reads instead of the whole switch.
#pragma once

#include "../tools/json.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class StateText {
public:
    StateText() = default;
    StateText(StateText const&) = delete; // the index points into its own text
    StateText& operator=(StateText const&) = delete;

    // The text with its members found, when it is plainly one JSON object
    // whose member names have no escapes.
    static std::unique_ptr<StateText> index(std::string content);

    // Where a member's name (without its quotes) and its value's text lie in
    // the text, in bytes from its start.
    struct Place {
        size_t nameAt, nameEnd, valueAt, valueEnd;
    };
    // The text with the members its writer placed in it, in its order, as a
    // plain text: for a text known to be one JSON object whose member names
    // have no escapes, found where the places say. None, and content left
    // as it was, when a place does not lie within the text in order.
    static std::unique_ptr<StateText> placed(std::string& content, std::span<Place const> places);

    // False for any other text: it is left to a whole parse, which decides
    // about it as it always has.
    bool plain() const { return m_plain; }
    bool has(std::string_view name) const;
    // The member's value as a tree of its own; none when there is no such member.
    Json parse(std::string_view name) const;
    // The member key of the object member section, parsed on its own: none
    // when either is absent or the section is not an object. Nothing when a
    // member name the search passes has escapes: only the section's whole
    // parse can compare those.
    std::optional<Json> parseMember(std::string_view section, std::string_view key) const;
    // The text of one row of the array member table of the object member
    // section: choose is handed the text of each row's member key in turn
    // ("" when the row has none, or not as text) and takes the row by
    // returning true; the last row taken is the answer. An empty text (no
    // data) when no row is taken or there is no such table. Nothing when a
    // member name passed has escapes, or the table's text has any: only the
    // parse can read those, and choose is then not called at all, so that
    // the parse's walk is the only one it sees.
    std::optional<std::string_view> rowText(std::string_view section, std::string_view table, std::string_view key,
                                            bool (*choose)(std::string_view text, void* context),
                                            void* context) const;
    // A text rowText gave, parsed as a tree of its own.
    static Json parseRow(std::string_view row);
    // The member key of a row rowText gave, parsed on its own; none when the
    // row has no such member or is not an object.
    static Json parseRowMember(std::string_view row, std::string_view key);
    std::string const& content() const { return m_content; }

    // One member of the text's object: its name as the text has it (without
    // escapes, for a plain text) and its value's text.
    struct Member {
        std::string_view name;
        std::string_view value;
    };
    // The members of a plain text, in the text's order; of equal names the
    // first is the one find() gives.
    std::span<Member const> members() const { return m_members; }
    // Where each of those lies in the text.
    std::vector<Place> places() const;
    Member const* find(std::string_view name) const;

private:
    // The text of the first member named key of the object member section:
    // empty (no data) when either is absent or the section is not an
    // object; nothing when a member name passed has escapes.
    std::optional<std::string_view> sectionMember(std::string_view section, std::string_view key) const;
    bool scan();

    std::string m_content;
    bool m_plain = false;
    std::vector<Member> m_members; // in the text's order; of equal names the first counts
};

} // namespace sim
