"""Every table walked whole, with 0, 1 and many entries, filled through the
client; a table changed in the middle of a walk, once or under every walk;
a switch that fails or repeats an entry midway."""

import json

import pytest

from conftest import before_each_exchange
from swmgmt import ApiError, Client, WalkError


def address(i):
    return f"192.0.2.{i + 1}" if i % 2 == 0 else f"2001:db8::{i + 1:x}"


def empty(c, table, operation, member, **fixed):
    for entry in c.table(table):
        c.call(operation, **fixed, **{member: entry[member]})


def cache_names(server, count):
    """More answers for the name servers to give: the stand-in's remote hosts."""
    with open(server.state) as f:
        state = json.load(f)
    state["dns"]["remoteHosts"] = [{"name": f"host{i}.example.com", "family": 1, "addr": f"203.0.113.{i + 1}",
                                    "ttl": 600} for i in range(count)]
    with open(server.state, "w") as f:
        json.dump(state, f)


# Tables that walk the same entries by another route share their row.
NTP_SERVERS = (8, None, lambda c, i: c.call("postNtpServer", ipAddr=address(i)),
               lambda n: [address(i) for i in range(n)])
NAME_SERVERS = (8, lambda c: empty(c, "dns-name-server-addresses", "deleteDnsIpNameServer", "ipAddr"),
                lambda c, i: c.call("postDnsIpNameServer", ipAddr=address(i)),
                lambda n: [address(i) for i in range(n)], "ipAddr")
STATIC_HOSTS = (10, lambda c: empty(c, "dns-static-hosts", "deleteDnsStaticHostAddressMapping", "hostname",
                                    vrfName=""),
                lambda c, i: c.call("putDnsStaticHostAddressMapping", hostname=f"h{9 - i}", ipAddr=address(i)),
                lambda n: sorted(f"h{9 - i}" for i in range(n)), "hostname")

# table: (how many "many" is, empty it, add entry i, what the walk must give for n entries, the member walked)
TABLES = {
    "ntp-servers": NTP_SERVERS + ("ntpServer",),
    "ntp-associations": NTP_SERVERS + ("assocName",),
    "ntp-keys": (6, None, lambda c, i: c.call("postNtpAuthTableKey", keyNumber=(i * 7) % 50 + 1, keyValue=f"Key{i}",
                                              msgAuthAlg="sha256"),
                 lambda n: sorted((i * 7) % 50 + 1 for i in range(n)), "keyNumber"),
    "dns-name-servers": NAME_SERVERS,
    "dns-name-server-addresses": NAME_SERVERS,
    "dns-static-hosts": STATIC_HOSTS,
    "dns-static-host-addresses": STATIC_HOSTS,
    "dns-cache": (6, lambda c: c.call("deleteDnsClientCacheHost", vrfName="", isAllHosts="true"),
                  lambda c, i: c.call("postDnsClientInetNameLookup", hostname=f"host{i}.example.com"),
                  lambda n: [f"host{i}.example.com" for i in range(n)], "hostName"),
}


@pytest.mark.parametrize("table", sorted(TABLES))
def test_table_of_0_1_and_many(make_server, table):
    many, empty, add, expected, member = TABLES[table]
    server = make_server()
    with Client(server.base, server.token) as c:
        if empty:
            empty(c)
        if table == "dns-cache":
            cache_names(server, many)
        assert c.table(table) == []
        for n in (1, many):
            for i in range(len(c.table(table)), n):
                add(c, i)
            assert [e[member] for e in c.table(table)] == expected(n)


@pytest.mark.parametrize("services", [0, 1, 4])
def test_bonjour_tables(make_server, services):
    services = [{"index": i + 1, "service": 1, "published": 1, "serviceName": f"svc-{i:02}", "serviceType": "_http._tcp",
                 "serviceDomain": "local", "servicePort": 8000 + i, "serviceText": ""} for i in range(services)]
    server = make_server(state={"bonjour": {"adminMode": 1, "services": services}})
    with Client(server.base, server.token) as c:
        assert [s["serviceName"] for s in c.table("bonjour-services")] == [s["serviceName"] for s in services]
        assert [(s["index"], s["servicePort"]) for s in c.table("bonjour-service-indexes")] == [
            (s["index"], s["servicePort"]) for s in services]


def before_each_next(c, member, change):
    """Calls change(another client, the cursor's value) just before each
    next request of a walk that carries member."""
    def see(op, values):
        if op.walk and op.id == op.walk["next"] and member in values:
            with Client(c.base, c.token) as other:
                change(other, values[member])

    before_each_exchange(c, see)


# every: the table changes before every next request (the entry the walk is
# at goes, and a new one comes), not once.
@pytest.mark.parametrize("table, operation, member, every", [
    ("ntp-servers", "NtpServer", "ntpServer", False), ("dns-name-servers", "DnsIpNameServer", "ipAddr", False),
    ("ntp-servers", "NtpServer", "ntpServer", True)])
def test_a_change_during_the_walk(client, table, operation, member, every):
    if table == "dns-name-servers":
        NAME_SERVERS[1](client)
    addresses = [address(i) for i in range(5)]
    for a in addresses:
        client.call(f"post{operation}", ipAddr=a)
    done = []  # the entries the next requests start after, each gone: the switch answers as at the end

    def change(other, at):
        if every or not done:
            done.append(at)
            other.call(f"delete{operation}", ipAddr=at)
        if every:
            other.call(f"post{operation}", ipAddr=address(10 + len(done)))

    before_each_next(client, member, change)
    if every:
        with pytest.raises(WalkError, match="changed under 5 walks"):
            client.table(table)
    else:
        assert [e[member] for e in client.table(table)] == [a for a in addresses if a != done[0]]


@pytest.mark.parametrize("faults, table, error, match", [
    # The end of an NTP server walk is 10000; a 10003 after the first entry
    # is a failure, not a table of one.
    ({"rpcclt_openapiNtpServerNextGet": -22}, "ntp-servers", ApiError, "10003"),
    ({"rpcclt_openapiDNSStaticHostNextGet": {"out": ["loop"]}}, "dns-static-hosts", WalkError, "a second time"),
])
def test_a_walk_that_goes_wrong_raises(make_server, faults, table, error, match):
    server = make_server(faults=faults)
    with Client(server.base, server.token) as c:
        for i in range(2):
            c.call("postNtpServer", ipAddr=address(i))
        with pytest.raises(error, match=match):
            c.table(table)
