"""Whole tables, walked as the description's x-walk says.

A walk asks the switch for the first entry, then for the entry after each
one it answered, until an answer carries one of the walk's end codes. The
switch keeps no position: an entry deleted between two requests can end a
walk early, with the same code as the true end. Such a walk is told by the
walk's cut rule (a check that the last entry still exists, or a second
walk that must agree) and restarted; every walk is bounded.
"""

import json

from .errors import ApiError, InputError, WalkError

MAX_STEPS = 100000  # entries in one walk
RESTARTS = 5  # walks of one table cut short in a row before giving up


class _Cut(Exception):
    """The walk met an entry that is gone: walk again."""


def walk(client, name, fixed):
    plan = client.api.walks.get(name)
    if plan is None:
        raise InputError("", f"no table {name!r}; the tables are: {', '.join(sorted(client.api.walks))}")
    first_route = client.operation(plan["first"]).route
    unknown = [k for k in fixed if k not in plan.get("fixed", [])]
    if unknown:
        raise InputError(first_route, f"{', '.join(unknown)}: not a setting of the walk of {name}"
                        + (f" (it takes {', '.join(plan['fixed'])})" if plan.get("fixed") else ""))
    previous = None
    for _ in range(RESTARTS):
        try:
            entries = _walk_once(client, plan, fixed)
            if "check" in plan.get("cut", {}) and entries and not _exists(client, plan, entries[-1]):
                raise _Cut()
            if plan.get("cut", {}).get("rewalk") and entries != previous:
                previous = entries
                continue
            return [_with_details(client, plan, entry) for entry in entries]
        except _Cut:
            previous = None
    raise WalkError(first_route, f"the table {name} changed under {RESTARTS} walks in a row; "
                    "no whole list could be read")


def _entry(data, shape):
    if "*" in shape:
        return dict(data[shape["*"]])
    return {field: data[member] for field, member in shape.items()}


def _ended(plan, code, data):
    if code in plan.get("end", []):
        return True
    end_data = plan.get("endData")
    return bool(code == 0 and end_data and data and all(data.get(k) == v for k, v in end_data.items()))


def _cursor(plan, entry, op):
    """The next request's inputs; a whole entry as an object input keeps the
    members that input has (the rest the switch does not read)."""
    cursor = {}
    for name, field in plan["cursor"].items():
        if field == "*":
            known = op.inputs[name].schema.get("properties", {})
            cursor[name] = {k: v for k, v in entry.items() if k in known}
        else:
            cursor[name] = entry[field]
    return cursor


def _walk_once(client, plan, fixed):
    op = client.operation(plan["first"])
    values = dict(fixed)
    entries, seen = [], set()
    while True:
        code, message, data = client.exchange(op, values)
        if _ended(plan, code, data):
            return entries
        if code != 0:
            raise ApiError(op.route, code, message, values)
        walk_step = op.walk if op.walk and op.walk["table"] == plan["table"] else plan
        entry = _entry(data, walk_step["entry"])
        if "probe" in plan:
            return _probe(client, plan, entry)
        next_op = client.operation(plan["next"])
        cursor = _cursor(plan, entry, next_op)
        key = json.dumps(cursor, sort_keys=True)
        if key in seen:
            raise WalkError(op.route, f"the switch answered {key} a second time in one walk of {plan['table']}")
        seen.add(key)
        entries.append(entry)
        if len(entries) >= MAX_STEPS:
            raise WalkError(op.route, f"more than {MAX_STEPS} entries in {plan['table']}: walk stopped")
        op = next_op
        values = {**fixed, **cursor}


def _probe(client, plan, first):
    """A table without a next operation: the identifiers above the first are
    asked for one by one, until as many entries as the switch counts are
    found; bounded by the identifiers tried in a row without a find."""
    probe = plan["probe"]
    count_op = probe["count"]
    wanted = client.call(count_op["operation"])[count_op["member"]]
    entries = [first]
    ident, misses = first[probe["from"]], 0
    while len(entries) < wanted:
        ident += 1
        data = client.call(probe["operation"], **{probe["parameter"]: ident})
        if data.get(probe["exists"]):
            entries.append({probe["from"]: ident})
            misses = 0
        else:
            misses += 1
            if misses > probe["limit"]:
                raise WalkError(client.operation(probe["operation"]).route,
                                f"found {len(entries)} of {wanted} entries of {plan['table']}; none in the "
                                f"{probe['limit']} identifiers after {ident - misses}")
    return entries


def _fill(op, entry):
    return {name: entry[name] for name in op.inputs if name in entry}


def _exists(client, plan, entry):
    op = client.operation(plan["cut"]["check"])
    code, _, _ = client.exchange(op, _fill(op, entry))
    return code == 0


def _with_details(client, plan, entry):
    entry = dict(entry)
    for detail in plan.get("details", []):
        op = client.operation(detail["operation"])
        code, message, data = client.exchange(op, _fill(op, entry))
        if code in plan.get("end", []):
            raise _Cut()  # the entry went between the walk and this read
        if code != 0:
            raise ApiError(op.route, code, message, _fill(op, entry))
        for member, field in detail["members"].items():
            if field == "*":
                entry.update(data[member])
            else:
                entry[field] = data[member]
    return entry
