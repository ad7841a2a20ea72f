"""Ping and traceroute answers as fields, read from the text the switch
printed (the text stays, under "output")."""

import re

_REPLY = re.compile(r"^(\d+) bytes from ([^\s:]+): icmp_seq=(\d+) ttl=(\d+) time=([\d.]+) ms$")
_SUMMARY = re.compile(r"^(\d+) packets transmitted, (\d+) received,.*?([\d.]+)% packet loss")
_RTT = re.compile(r"^r(?:tt|ound-trip) min/avg/max(?:/mdev)? = ([\d.]+)/([\d.]+)/([\d.]+)")
_HOP = re.compile(r"^\s*(\d+)\s+(.*)$")
_PROBE = re.compile(r"([\d.]+) ms|\*")


def ping_fields(text):
    """sent, received, loss (percent), replies [{seq, address, ttl, time}],
    and min/avg/max in milliseconds when there were replies."""
    fields = {"sent": None, "received": None, "loss": None, "replies": []}
    for line in text.splitlines():
        line = line.strip()
        if m := _REPLY.match(line):
            fields["replies"].append({"seq": int(m[3]), "address": m[2], "ttl": int(m[4]), "time": float(m[5])})
        elif m := _SUMMARY.match(line):
            fields.update(sent=int(m[1]), received=int(m[2]), loss=float(m[3]))
        elif m := _RTT.match(line):
            fields.update(min=float(m[1]), avg=float(m[2]), max=float(m[3]))
    return fields


def traceroute_fields(text):
    """hops [{hop, address (None when silent), times [ms or None a probe]}]."""
    hops = []
    for line in text.splitlines()[1:]:
        m = _HOP.match(line)
        if not m:
            continue
        rest = m[2]
        address = None
        first = rest.split()[0] if rest.split() else "*"
        if first != "*":
            address = first
            rest = rest[len(first):]
        times = [float(p[1]) if p[1] else None for p in _PROBE.finditer(re.sub(r"\([^)]*\)", "", rest))]
        hops.append({"hop": int(m[1]), "address": address, "times": times})
    return {"hops": hops}


PARSERS = {"ping": ping_fields, "traceroute": traceroute_fields}
