#include "routes.h"

#include <array>

namespace {

// A group: its base path, its rows and its first entry in the built tree.
struct GroupSource {
    char const* basePath;
    std::span<RouteRow const> const& rows;
    HttpdCContent* const& entries;
};

// Registration order is part of the interface: of two registrations of the
// same resource and method, the later one serves.
constexpr GroupSource kGroups[] = {
    { "/api/v2/mgmt/bonjour", bonjourRoutes, bonjourEntries },
    { "/api/v2/mgmt/cloud-managed", cloudManagedRoutes, cloudManagedEntries },
    { "/api/v2/mgmt/dns", dnsRoutes, dnsEntries },
    { "/api/v2/system/common", systemCommonRoutes, systemCommonEntries },
    { "/api/v2/mgmt/event-notify", eventNotifyRoutes, eventNotifyEntries },
    { "/api/v2/mgmt/mgmttelnet", mgmtTelnetRoutes, mgmtTelnetEntries },
    { "/api/v2/mgmt/beacon", beaconRoutes, beaconEntries },
    { "/api/v2/mgmt/ntp", ntpRoutes, ntpEntries },
    { "/api/v2/mgmt/ping", pingRoutes, pingEntries },
    { "/api/v2/mgmt/sntp", sntpRoutes, sntpEntries },
    { "/api/v2/mgmt/traceroute", tracerouteRoutes, tracerouteEntries },
    { "/api/v2/mgmt/webmgmt", webMgmtRoutes, webMgmtEntries },
};
constexpr size_t kGroupCount = std::size(kGroups);

template <size_t... I>
std::array<RouteGroup, kGroupCount> routeGroups(std::index_sequence<I...>)
{
    return { RouteGroup { kGroups[I].basePath, kGroups[I].rows }... };
}

std::array<RouteGroup, kGroupCount> const kRouteTable = routeGroups(std::make_index_sequence<kGroupCount>());

// The directory nodes as registering the groups in order on a fresh root
// makes them: a path's components are the runs between slashes, a missing
// node is put at the head of its parent's children. Names are kept one
// after the other, each ended by a NUL; the root's is the empty one.
constexpr size_t kMaxNodes = 64;
constexpr size_t kNamesSize = 1024;
struct Layout {
    char names[kNamesSize] = {};
    size_t namesUsed = 1;
    size_t nameAt[kMaxNodes] = {};
    int child[kMaxNodes] = {};
    int sibling[kMaxNodes] = {};
    int groupNode[kGroupCount] = {};
    size_t count = 1;
    bool fits = true;
};

constexpr bool sameName(Layout const& layout, int node, char const* part, size_t size)
{
    char const* name = layout.names + layout.nameAt[node];
    for (size_t i = 0; i < size; ++i)
        if (name[i] != part[i])
            return false;
    return name[size] == '\0';
}

constexpr Layout layOut()
{
    Layout layout;
    for (size_t i = 0; i < kMaxNodes; ++i)
        layout.child[i] = layout.sibling[i] = -1;
    for (size_t g = 0; g < kGroupCount; ++g) {
        char const* path = kGroups[g].basePath;
        int node = 0;
        for (size_t start = 0; path[start] != '\0';) {
            if (path[start] == '/') {
                ++start;
                continue;
            }
            size_t end = start;
            while (path[end] != '\0' && path[end] != '/')
                ++end;
            int found = layout.child[node];
            while (found >= 0 && !sameName(layout, found, path + start, end - start))
                found = layout.sibling[found];
            if (found < 0) {
                if (layout.count == kMaxNodes || layout.namesUsed + end - start + 1 > kNamesSize) {
                    layout.fits = false;
                    return layout;
                }
                found = static_cast<int>(layout.count++);
                layout.nameAt[found] = layout.namesUsed;
                for (size_t c = start; c < end; ++c)
                    layout.names[layout.namesUsed++] = path[c];
                layout.names[layout.namesUsed++] = '\0';
                layout.sibling[found] = layout.child[node];
                layout.child[node] = found;
            }
            node = found;
            start = end;
        }
        // Each group's entries end the node's list: two groups on one path
        // would have to share it.
        for (size_t earlier = 0; earlier < g; ++earlier)
            if (layout.groupNode[earlier] == node)
                layout.fits = false;
        layout.groupNode[g] = node;
    }
    return layout;
}

constexpr Layout kLayout = layOut();
static_assert(kLayout.fits, "the route tree's layout needs more room, or two groups share a path");

template <typename = std::make_index_sequence<kLayout.count>>
struct BuiltTree;
template <size_t... I>
struct BuiltTree<std::index_sequence<I...>> {
    static HttpdDir nodes[sizeof...(I)];
};
// Names are never written through: the tree only reads them.
template <size_t... I>
constinit HttpdDir BuiltTree<std::index_sequence<I...>>::nodes[sizeof...(I)] = { HttpdDir {
    const_cast<char*>(kLayout.names + kLayout.nameAt[I]), kLayout.child[I] < 0 ? nullptr : nodes + kLayout.child[I],
    kLayout.sibling[I] < 0 ? nullptr : nodes + kLayout.sibling[I], nullptr }... };
using Tree = BuiltTree<>;

constinit HttpdRoot g_builtRoot { Tree::nodes };

} // namespace

std::span<RouteGroup const> routeTable()
{
    return kRouteTable;
}

HttpdHandle builtRoutes()
{
    // The groups' first entries are in other units, so they are joined to
    // their nodes here, once per call: the same pointers every time.
    for (size_t g = 0; g < kGroupCount; ++g)
        Tree::nodes[kLayout.groupNode[g]].firstContent = kGroups[g].entries;
    return &g_builtRoot;
}

void registerRoutes(HttpdHandle handle)
{
    for (RouteGroup const& group : kRouteTable)
        httpdAddCContents(handle, group.basePath, group.rows, kAuthSession);
}
