// Expected trace lines and replies, shared by the tests of the Bonjour, cloud
// management and event notification routes.
#pragma once

#include "harness.h"

#include <span>
#include <string>

namespace expect {

// One call of the switch with its arguments after the client handle.
inline std::string call(std::string const& name, std::string const& args)
{
    return "{\"call\":\"rpcclt_openapi" + name + "\",\"args\":[" + args + "]}";
}

// A text descriptor as the trace shows it.
inline std::string text(std::string const& t, size_t size)
{
    return "{\"size\":" + std::to_string(size) + ",\"text\":\"" + t + "\"}";
}

inline std::string setReply(int code)
{
    return harness::setReply(code, harness::message(code));
}

// Data goes with success only; a failure names no group.
inline std::string getReply(int code, char const* group = nullptr, std::string const& data = "")
{
    return harness::getReply(code, harness::message(code), group, code == 0 ? data.c_str() : nullptr);
}

} // namespace expect
