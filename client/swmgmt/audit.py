"""swmgmt audit: the audit records of a switch's management programs, read
from their file (MGMT_AUDIT_FILE) on the machine that serves them, and
filtered by user, time and route.

Every record is one line of JSON; the file's older half, FILE.1, is read
first, so records come out oldest first. Lines that are not whole records
(a file cut by a full disk) are skipped and counted on standard error.
"""

import argparse
import datetime
import fnmatch
import json
import os
import sys

COLUMNS = ("time", "program", "event", "user", "privilege", "remoteAddr", "method", "path", "status", "respCode")


def moment(text):
    """A time as given on the command line: ISO 8601, UTC unless it names a zone."""
    try:
        when = datetime.datetime.fromisoformat(text.replace("Z", "+00:00"))
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a time: {text!r} (e.g. 2026-12-08T13:00 or 2026-12-08)") from None
    if when.tzinfo is None:
        when = when.replace(tzinfo=datetime.timezone.utc)
    return when


def route_matches(pattern, path):
    """A pattern with * ? [ ] is matched whole; other text matches the path
    itself and every path below it."""
    if any(c in pattern for c in "*?["):
        return fnmatch.fnmatchcase(path, pattern)
    pattern = pattern.rstrip("/")
    return path == pattern or path.startswith(pattern + "/")


def records(path, skipped):
    for name in (path + ".1", path):
        try:
            with open(name, encoding="utf-8", errors="replace") as f:
                for line in f:
                    try:
                        record = json.loads(line)
                    except ValueError:
                        record = None
                    if not isinstance(record, dict) or not isinstance(record.get("time"), str):
                        skipped[0] += 1
                        continue
                    yield record
        except FileNotFoundError:
            continue


def selected(record, args):
    if args.user is not None and record.get("user") != args.user:
        return False
    if args.route is not None and not route_matches(args.route, str(record.get("path") or "")):
        return False
    if args.since is not None or args.until is not None:
        try:
            when = moment(record["time"])
        except argparse.ArgumentTypeError:
            return False
        if args.since is not None and when < args.since:
            return False
        if args.until is not None and when >= args.until:
            return False
    return True


def parser():
    p = argparse.ArgumentParser(prog="swmgmt audit", description="Show the audit records of the management "
                                "programs: who changed what, logged in or out, from where, and how it ended.")
    p.add_argument("--file", default=os.environ.get("MGMT_AUDIT_FILE"),
                   help="the audit file (default: MGMT_AUDIT_FILE)")
    p.add_argument("--user", help="only this user's records")
    p.add_argument("--since", type=moment, metavar="TIME", help="only records at or after TIME (ISO 8601, UTC)")
    p.add_argument("--until", type=moment, metavar="TIME", help="only records before TIME")
    p.add_argument("--route", metavar="PATH", help="only this path and the paths below it, or a pattern with *")
    p.add_argument("-o", "--output", choices=("line", "table"), default="line",
                   help="line (default): the records as they are; table: tab-separated columns")
    return p


def main(argv):
    args = parser().parse_args(argv)
    if not args.file:
        print("swmgmt audit: no file: give --file FILE or MGMT_AUDIT_FILE", file=sys.stderr)
        return 2
    if not os.path.exists(args.file) and not os.path.exists(args.file + ".1"):
        print(f"swmgmt audit: {args.file}: no such file", file=sys.stderr)
        return 2
    skipped = [0]
    if args.output == "table":
        print("\t".join(COLUMNS))
    try:
        for record in records(args.file, skipped):
            if not selected(record, args):
                continue
            if args.output == "table":
                print("\t".join("" if record.get(c) is None else str(record.get(c)) for c in COLUMNS))
            else:
                print(json.dumps(record, separators=(",", ":")))
    except OSError as error:
        print(f"swmgmt audit: {args.file}: {error.strerror}", file=sys.stderr)
        return 2
    if skipped[0]:
        print(f"swmgmt audit: {skipped[0]} line(s) that are not records skipped", file=sys.stderr)
    return 0
