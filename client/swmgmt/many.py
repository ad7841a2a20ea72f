"""One operation on many switches at once, with a bounded pool, each
switch's result or error reported on its own."""

from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass

from .client import Client
from .errors import InputError, SwitchError


@dataclass
class Switch:
    base: str
    token: str | None = None


def read_switches(path):
    """Switches from a file: one a line, "BASE" or "BASE TOKEN"; blank lines
    and lines starting with "#" are skipped."""
    switches = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if len(words) > 2:
                raise InputError("", f"{path}:{number}: a line is BASE or BASE TOKEN")
            switches.append(Switch(*words))
    return switches


@dataclass
class Outcome:
    switch: Switch
    result: object = None
    error: SwitchError | None = None


def run_all(switches, work, *, jobs=8, token=None, user=None, password=None, cacert=None, timeout=30.0):
    """work(client) on every switch, at most jobs at a time: an Outcome a
    switch, in the order given. A switch without a token of its own uses
    token, or logs in with user and password (and logs out at the end)."""

    def one(switch):
        try:
            own = switch.token or token
            with Client(switch.base, own, user=None if own else user, password=password, cacert=cacert,
                        timeout=timeout) as client:
                return Outcome(switch, work(client))
        except SwitchError as error:
            return Outcome(switch, error=error)

    with ThreadPoolExecutor(max_workers=max(1, jobs)) as pool:
        return list(pool.map(one, switches))
