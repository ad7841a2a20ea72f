"""Every table walked whole, with 0, 1 and many entries, filled through the
client; a delete in the middle of a walk; a switch that repeats an entry."""

import json

import pytest

from swmgmt import ApiError, Client, WalkError


def ntp_address(i):
    return f"192.0.2.{i + 1}" if i % 2 == 0 else f"2001:db8::{i + 1:x}"


def dns_address(i):
    return f"198.51.100.{i + 1}" if i % 2 == 0 else f"2001:db8:53::{i + 1:x}"


def empty_name_servers(c):
    for entry in c.table("dns-name-server-addresses"):
        c.call("deleteDnsIpNameServer", ipAddr=entry["ipAddr"])


def empty_static_hosts(c):
    for entry in c.table("dns-static-hosts"):
        c.call("deleteDnsStaticHostAddressMapping", vrfName="", hostname=entry["hostname"])


def cache_names(server, count):
    """More answers for the name servers to give: the stand-in's remote hosts."""
    with open(server.state) as f:
        state = json.load(f)
    state["dns"]["remoteHosts"] = [{"name": f"host{i}.example.com", "family": 1, "addr": f"203.0.113.{i + 1}",
                                    "ttl": 600} for i in range(count)]
    with open(server.state, "w") as f:
        json.dump(state, f)


def service(i):
    return {"index": i + 1, "service": 1, "published": 1, "serviceName": f"svc-{i:02}", "serviceType": "_http._tcp",
            "serviceDomain": "local", "servicePort": 8000 + i, "serviceText": ""}


# Tables that walk the same entries by another route share their row.
NTP_SERVERS = (8, None, lambda c, i: c.call("postNtpServer", ipAddr=ntp_address(i)),
               lambda n: [ntp_address(i) for i in range(n)])
NAME_SERVERS = (8, empty_name_servers, lambda c, i: c.call("postDnsIpNameServer", ipAddr=dns_address(i)),
                lambda n: [dns_address(i) for i in range(n)], "ipAddr")
STATIC_HOSTS = (10, empty_static_hosts,
                lambda c, i: c.call("putDnsStaticHostAddressMapping", hostname=f"h{9 - i}", ipAddr=dns_address(i)),
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
            entries = c.table(table)
            assert [e[member] for e in entries] == expected(n)


def test_per_entry_settings_are_joined(client):
    for i in range(3):
        client.call("postNtpServer", ipAddr=ntp_address(i))
    client.set("ntp/server-table-prefer", True, ntpServer=ntp_address(1))
    client.set("ntp/server-table-max-poll", 12, ntpServer=ntp_address(2))
    client.call("postNtpAuthTableKey", keyNumber=9, keyValue="Nine9", msgAuthAlg="sha1")
    client.set("ntp/auth-table-key-trusted", "true", keyNumber=9)
    servers = client.table("ntp-servers")
    assert [s["prefer"] for s in servers] == ["false", "true", "false"]
    assert [s["maxPoll"] for s in servers] == [10, 10, 12]
    assert servers[1]["addressType"] == "ntp_address_ipv6"
    assert client.table("ntp-keys") == [{"keyNumber": 9, "keyValue": "Nine9", "msgAuthAlg": "sha1",
                                         "trustedStatus": "true"}]


@pytest.mark.parametrize("services", [0, 1, 4])
def test_bonjour_tables(make_server, services):
    server = make_server(state={"bonjour": {"adminMode": 1, "services": [service(i) for i in range(services)]}})
    with Client(server.base, server.token) as c:
        by_name = c.table("bonjour-services")
        by_index = c.table("bonjour-service-indexes")
    assert [s["serviceName"] for s in by_name] == [f"svc-{i:02}" for i in range(services)]
    assert [s["index"] for s in by_index] == list(range(1, services + 1))
    assert [s["servicePort"] for s in by_index] == [8000 + i for i in range(services)]


def delete_during_walk(c, table, cursor_member, delete):
    """Deletes the entry that the walk's next request starts after, once,
    just before that request: the switch then answers as at the end."""
    exchange = c.exchange
    done = []

    def exchanging(op, values=None):
        if not done and op.walk and op.id == op.walk["next"] and cursor_member in (values or {}):
            victim = values[cursor_member]
            other = Client(c.base, c.token)
            delete(other, victim)
            other.close()
            done.append(victim)
        return exchange(op, values)

    c.exchange = exchanging
    return done


@pytest.mark.parametrize("table, add, delete, member", [
    ("ntp-servers", lambda c, a: c.call("postNtpServer", ipAddr=a),
     lambda c, a: c.call("deleteNtpServer", ipAddr=a), "ntpServer"),
    ("dns-name-servers", lambda c, a: c.call("postDnsIpNameServer", ipAddr=a),
     lambda c, a: c.call("deleteDnsIpNameServer", ipAddr=a), "ipAddr"),
])
def test_a_delete_during_the_walk_is_not_a_short_list(client, table, add, delete, member):
    if table == "dns-name-servers":
        empty_name_servers(client)
    addresses = [dns_address(i) for i in range(5)]
    for a in addresses:
        add(client, a)
    done = delete_during_walk(client, table, member, delete)
    entries = client.table(table)
    assert done  # the delete happened, after the first entry
    assert [e[member] for e in entries] == [a for a in addresses if a != done[0]]


@pytest.mark.parametrize("faults, table, error, match", [
    # The end of an NTP server walk is 10000; a 10003 after the first entry
    # is a failure, not a table of one.
    ({"rpcclt_openapiNtpServerNextGet": -22}, "ntp-servers", ApiError, "10003"),
    # A switch that repeats an entry ends the walk.
    ({"rpcclt_openapiDNSStaticHostNextGet": {"out": ["loop"]}}, "dns-static-hosts", WalkError, "a second time"),
])
def test_a_walk_that_goes_wrong_raises(make_server, faults, table, error, match):
    server = make_server(faults=faults)
    with Client(server.base, server.token) as c:
        for i in range(2):
            c.call("postNtpServer", ipAddr=ntp_address(i))
        with pytest.raises(error, match=match):
            c.table(table)


def test_a_table_that_changes_under_every_walk_is_reported(client):
    for i in range(4):
        client.call("postNtpServer", ipAddr=ntp_address(i))
    exchange = client.exchange
    added = []

    def exchanging(op, values=None):
        if op.walk and op.walk["step"] == "next":
            # Every walk loses the entry it is at, and a new one comes.
            client.exchange = exchange
            client.call("deleteNtpServer", ipAddr=values["ntpServer"])
            added.append(ntp_address(10 + len(added)))
            client.call("postNtpServer", ipAddr=added[-1])
            client.exchange = exchanging
        return exchange(op, values)

    client.exchange = exchanging
    with pytest.raises(WalkError, match="changed under 5 walks"):
        client.table("ntp-servers")
