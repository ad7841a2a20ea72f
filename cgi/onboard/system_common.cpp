// Handlers under "/api/v2/system/common": the switch's own reading of an
// address text, and the longest address text it takes. Both answer under the
// DNS group's name.
#include "dns_families.h"
#include "routes.h"

namespace {

using namespace dns;

constexpr RouteRow kRows[] = {
    { "inet-addr", kMethodGet,
      getCall<QueryInput, rpcclt_openapiInetAddrGet, TextArg<"ipStr", 46, Flow::In>, AddrArg<"ipAddr", Flow::Out>> },
    { "inet-addr-max-size", kMethodGet,
      getValue<"dns", "inetAddrMaxSize", numberValue, rpcclt_openapiInetAddrMaxSizeGet> },
};

} // namespace

constinit std::span<RouteRow const> const systemCommonRoutes = kRows;
constinit HttpdCContent* const systemCommonEntries = LinkedRows<kRows>::first();
