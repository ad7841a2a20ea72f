// The switch stand-in: the RPC client library's calls over a simulated switch
// whose settings and tables live in a JSON state file.
//
// Every call goes through sim::call, which
//   - records the call and its arguments as they are on entry (SWSIM_TRACE),
//   - serves a forced result instead, when SWSIM_FAULTS names the call,
//   - otherwise runs the call's body on the state, under an exclusive lock on
//     the state file, and writes a changed state back whole.
#pragma once

#include "../tools/json.h"
#include "../tools/sw_calls.h"

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace sim {

// Results, as the switch's library gives them.
inline constexpr int kOk = 0;
inline constexpr int kFail = -1;          // general failure, a state file that cannot be read
inline constexpr int kNotFound = -2;      // no such entry, or the end of a walk
inline constexpr int kFull = -3;          // the table is at its capacity
inline constexpr int kBadParam = -22;     // a value the switch refuses: out of range, malformed
inline constexpr int kExists = -24;       // the entry exists already
inline constexpr int kUnsupported = -28;  // the switch does not carry the feature
inline constexpr int kNotAvailable = -29; // nothing to report

// How one argument of a call is recorded in the trace, and written by a
// forced result when it is an output.
enum class ArgKind { Number, Int, CString, Text, Addr, Record, Events, Revision };

struct RecordCodec {
    Json (*toJson)(void const* record);            // the record's fields, named
    void (*fromJson)(void* record, cJSON const* fields); // fields given are written
};

struct Arg {
    ArgKind kind;
    bool output = false;
    double number = 0;                  // Number: the value passed
    void* ptr = nullptr;                // everything else: the address passed
    unsigned intBytes = 0;              // Int: width of the integer
    bool isSigned = false;              // Int
    RecordCodec const* codec = nullptr; // Record
};

// A number passed by value.
template <std::integral T>
Arg value(T v)
{
    return Arg { .kind = ArgKind::Number, .number = static_cast<double>(v) };
}

// An integer the call writes (an output, or a cursor read and written).
template <std::integral T>
Arg out(T* p)
{
    return Arg { .kind = ArgKind::Int, .output = true, .ptr = p, .intBytes = sizeof(T),
                 .isSigned = std::is_signed_v<T> };
}

// An integer the call only reads through a pointer.
template <std::integral T>
Arg in(T const* p)
{
    return Arg { .kind = ArgKind::Int, .ptr = const_cast<T*>(p), .intBytes = sizeof(T),
                 .isSigned = std::is_signed_v<T> };
}

inline Arg cstring(char const* s) { return Arg { .kind = ArgKind::CString, .ptr = const_cast<char*>(s) }; }
inline Arg textIn(OpenBuffDesc* d) { return Arg { .kind = ArgKind::Text, .ptr = d }; }
inline Arg textOut(OpenBuffDesc* d) { return Arg { .kind = ArgKind::Text, .output = true, .ptr = d }; }
inline Arg addrIn(OpenInetAddr* a) { return Arg { .kind = ArgKind::Addr, .ptr = a }; }
inline Arg addrOut(OpenInetAddr* a) { return Arg { .kind = ArgKind::Addr, .output = true, .ptr = a }; }
inline Arg events(OpenBuffDesc* d) { return Arg { .kind = ArgKind::Events, .ptr = d }; }
inline Arg revision(OpenRevisionData* r) { return Arg { .kind = ArgKind::Revision, .output = true, .ptr = r }; }

// A record the call reads (recordIn) or fills, possibly after reading it as a key (recordOut).
template <typename T>
Arg recordIn(T* r, RecordCodec const& codec)
{
    return Arg { .kind = ArgKind::Record, .ptr = r, .codec = &codec };
}
template <typename T>
Arg recordOut(T* r, RecordCodec const& codec)
{
    return Arg { .kind = ArgKind::Record, .output = true, .ptr = r, .codec = &codec };
}

class StateText;

// The switch as the state file holds it: one object per section.
struct State {
    cJSON* root = nullptr;
    bool changed = false;
    // When set, root holds only the sections read so far, and the others are
    // parsed from this text as they are first asked for.
    StateText const* text = nullptr;

    // The section's object; every section exists once the state is loaded.
    cJSON* section(char const* name);
    // One member of a section, for reading only: while the section is not
    // parsed, the member alone is. It lasts until the next call of the
    // process. None when the section has no such member.
    cJSON const* member(char const* section, char const* key);
    // One row of a table (an array of objects) of a section, for reading
    // only: choose is handed each row's text member key in turn ("" when it
    // has none), in one walk over the rows, and takes the row by returning
    // true; the last row taken is the answer, none when no row is. While the
    // section is not parsed, only that row is, and it lasts as member's do.
    cJSON const* row(char const* section, char const* table, char const* key,
                     bool (*choose)(std::string_view text, void* context), void* context);
    // The member field of the row row would take: nothing when no row is
    // taken, a null item when the row has no such member. While the section
    // is not parsed, only that member of the row is.
    std::optional<cJSON const*> rowMember(char const* section, char const* table, char const* key,
                                          bool (*choose)(std::string_view text, void* context), void* context,
                                          char const* field);

private:
    cJSON const* keep(Json value);
};

// Ends what the stand-in keeps of the state between the calls of a process:
// the next call reads the state file anew. The client's teardown does, as
// its registration ends.
void releaseState();

#ifdef SWSIM_STATE_IN_MEMORY
// The fuzzing build's state lives in memory, not in a file: this empties it,
// as removing the state file does, so the next call starts from factory
// defaults.
void forgetState();
#endif

// Factory defaults of one section, as JSON text.
struct Section {
    char const* name;
    char const* defaults;
};
std::span<Section const> sections();

int callWith(char const* name, std::span<Arg const> args, bool withState, int (*body)(void*, State*), void* context);

// One call of the library over the switch's state.
template <typename Body>
    requires std::invocable<Body&, State&>
int call(char const* name, std::initializer_list<Arg> args, Body&& body)
{
    return callWith(name, std::span<Arg const>(args.begin(), args.size()), true,
                    [](void* context, State* state) { return (*static_cast<std::remove_reference_t<Body>*>(context))(*state); },
                    &body);
}

// One call that does not touch the switch's state.
template <typename Body>
    requires std::invocable<Body&>
int call(char const* name, std::initializer_list<Arg> args, Body&& body)
{
    return callWith(name, std::span<Arg const>(args.begin(), args.size()), false,
                    [](void* context, State*) { return (*static_cast<std::remove_reference_t<Body>*>(context))(); },
                    &body);
}

// Reading and changing values of the state.
double number(cJSON const* object, char const* key, double fallback = 0);
uint32_t u32(cJSON const* object, char const* key);
char const* text(cJSON const* object, char const* key); // "" when absent
// The same of an item itself.
uint32_t u32(cJSON const* item);
char const* text(cJSON const* item);
cJSON* array(cJSON* object, char const* key);           // created when absent
void setNumber(State& state, cJSON* object, char const* key, double value);
void setText(State& state, cJSON* object, char const* key, char const* value);

// Texts crossing the call boundary. readText never reads past the descriptor's
// size; writeText cuts the text to fit with its terminator.
std::string readText(OpenBuffDesc const* desc);
void writeText(OpenBuffDesc* desc, char const* text);

// Addresses as the switch shows them: family 2 as IPv6 text, anything else as
// the dotted IPv4 number. addrFromText parses the text as the family says.
std::string addrText(OpenInetAddr const& addr);
OpenInetAddr addrFromText(uint32_t family, char const* text);

} // namespace sim
