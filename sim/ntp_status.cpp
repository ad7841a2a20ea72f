// The NTP service's identity, its global packet counters, and the
// associations it keeps: one for each configured server, named by the
// identifier the switch gave it when the server was added.
#include "ntp_state.h"

#include "../tools/sw_calls_ntp.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace sim::ntp;

namespace {

// The call's answer for an identifier that no association has.
constexpr int kNoAssociation = sim::kExists;

uint32_t associationIdOf(cJSON const* server)
{
    return sim::u32(cJSON_GetObjectItemCaseSensitive(server, "association"), "id");
}

// The peer list is association identifiers in decimal, separated by commas;
// the switch keeps the last list it was given.
int notifyPeers(sim::State& state, std::string const& list)
{
    if (list.empty())
        return sim::kBadParam;
    for (size_t start = 0; start <= list.size();) {
        size_t const end = std::min(list.find(',', start), list.size());
        std::string const item = list.substr(start, end - start);
        if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos)
            return sim::kBadParam;
        errno = 0;
        unsigned long const id = strtoul(item.c_str(), nullptr, 10);
        if (errno != 0 || id > UINT32_MAX)
            return sim::kBadParam;
        if (association(state, static_cast<uint32_t>(id)) == nullptr)
            return sim::kNotFound;
        start = end + 1;
    }
    sim::setText(state, section(state), "notifiedPeers", list.c_str());
    return sim::kOk;
}

} // namespace

extern "C" {

// ---- The service's identity and global counters. ----

int rpcclt_openapiNtpEntSoftwareNameGet(OpenClientHandle*, OpenBuffDesc* name)
{
    return sim::call(__func__, { sim::textOut(name) }, textOf(setting("softwareName"), name));
}

int rpcclt_openapiNtpEntSoftwareVersionGet(OpenClientHandle*, OpenBuffDesc* version)
{
    return sim::call(__func__, { sim::textOut(version) }, textOf(setting("softwareVersion"), version));
}

int rpcclt_openapiNtpEntSystemTypeGet(OpenClientHandle*, OpenBuffDesc* systemType)
{
    return sim::call(__func__, { sim::textOut(systemType) }, textOf(setting("systemType"), systemType));
}

int rpcclt_openapiNtpEntStatusInPktsGet(OpenClientHandle*, uint32_t* count)
{
    return sim::call(__func__, { sim::out(count) }, numberOf(setting("inPkts"), count));
}

int rpcclt_openapiNtpEntStatusOutPktsGet(OpenClientHandle*, uint32_t* count)
{
    return sim::call(__func__, { sim::out(count) }, numberOf(setting("outPkts"), count));
}

int rpcclt_openapiNtpEntStatusBadVersionGet(OpenClientHandle*, uint32_t* count)
{
    return sim::call(__func__, { sim::out(count) }, numberOf(setting("badVersionPkts"), count));
}

int rpcclt_openapiNtpEntStatusProtocolErrorGet(OpenClientHandle*, uint32_t* count)
{
    return sim::call(__func__, { sim::out(count) }, numberOf(setting("protocolErrorPkts"), count));
}

// ---- Associations. ----

int rpcclt_openapiNtpAssocIdGet(OpenClientHandle*, uint32_t assocId)
{
    return sim::call(__func__, { sim::value(assocId) },
        [&](sim::State& state) { return association(state, assocId) != nullptr ? sim::kOk : kNoAssociation; });
}

// The identifier in *assocId is the cursor: the next one above it is
// written back, in ascending order of identifiers.
int rpcclt_openapiNtpAssocIdNextGet(OpenClientHandle*, uint32_t* assocId)
{
    return sim::call(__func__, { sim::out(assocId) }, [&](sim::State& state) {
        if (assocId == nullptr)
            return sim::kBadParam;
        cJSON const* const next = nextAbove(sim::array(section(state), "servers"), associationIdOf, *assocId);
        if (next == nullptr)
            return sim::kNotFound;
        *assocId = associationIdOf(next);
        return sim::kOk;
    });
}

int rpcclt_openapiNtpAssocNameGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* name)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::textOut(name) }, textOf(memberOf(associationWith(assocId), "name"), name));
}

int rpcclt_openapiNtpAssocRefIdGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* refId)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::textOut(refId) }, textOf(memberOf(associationWith(assocId), "refId"), refId));
}

int rpcclt_openapiNtpAssocAddressTypeGet(OpenClientHandle*, uint32_t assocId, uint32_t* type)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::out(type) }, numberOf(memberOf(associationWith(assocId), "addressType"), type));
}

int rpcclt_openapiNtpAssocAddressGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* address)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::textOut(address) }, textOf(memberOf(associationWith(assocId), "address"), address));
}

int rpcclt_openapiNtpAssocOffsetGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* offset)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::textOut(offset) }, textOf(memberOf(associationWith(assocId), "offset"), offset));
}

int rpcclt_openapiNtpAssocStratumGet(OpenClientHandle*, uint32_t assocId, uint32_t* stratum)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::out(stratum) }, numberOf(memberOf(associationWith(assocId), "stratum"), stratum));
}

int rpcclt_openapiNtpAssocStatusJitterGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* jitter)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::textOut(jitter) }, textOf(memberOf(associationWith(assocId), "jitter"), jitter));
}

int rpcclt_openapiNtpAssocStatusDelayGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* delay)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::textOut(delay) }, textOf(memberOf(associationWith(assocId), "delay"), delay));
}

int rpcclt_openapiNtpAssocStatusDispersionGet(OpenClientHandle*, uint32_t assocId, OpenBuffDesc* dispersion)
{
    return sim::call(__func__, { sim::value(assocId), sim::textOut(dispersion) },
        textOf(memberOf(associationWith(assocId), "dispersion"), dispersion));
}

int rpcclt_openapiNtpAssocStatInPktsGet(OpenClientHandle*, uint32_t assocId, uint32_t* count)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::out(count) }, numberOf(memberOf(associationWith(assocId), "inPkts"), count));
}

int rpcclt_openapiNtpAssocStatOutPktsGet(OpenClientHandle*, uint32_t assocId, uint32_t* count)
{
    return sim::call(
        __func__, { sim::value(assocId), sim::out(count) }, numberOf(memberOf(associationWith(assocId), "outPkts"), count));
}

int rpcclt_openapiNtpAssocStatProtocolErrorGet(OpenClientHandle*, uint32_t assocId, uint32_t* count)
{
    return sim::call(__func__, { sim::value(assocId), sim::out(count) },
        numberOf(memberOf(associationWith(assocId), "protocolErrorPkts"), count));
}

int rpcclt_openapiNtpNotifyPeerList(OpenClientHandle*, OpenBuffDesc* assocList)
{
    return sim::call(__func__, { sim::textIn(assocList) },
        [&](sim::State& state) { return notifyPeers(state, sim::readText(assocList)); });
}

} // extern "C"
