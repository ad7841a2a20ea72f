"""A switch's configuration as one document, and the requests that make a
switch equal to one.

The description marks the operations that read and write configuration
(x-config): each setting of an area, and each table with its walk, add,
delete, identity and its entries' own settings. The document follows the
marks: {area: {setting: value, table: [entry, ...]}}, a setting's value in
the spelling the client's set takes (one member bare, several as an object
by member name), an entry as {key: identity, setting: value, ...}.

Changes are made in the marks' order (keys before the servers that use
them, authentication after its keys); deletions first, in the reverse
order, so that a full table has room for what is added. Every value is
checked against the description before the first write. A failure midway
puts back what the apply changed (best effort, each step reported).
"""

from dataclasses import dataclass, field

from .checks import check_value
from .api import setting_members
from .errors import ApiError, InputError, SwitchError

MODES = ("merge", "replace")
EXISTS = 10011  # an add of an entry that is there already


@dataclass
class Setting:
    area: str
    name: str
    order: int
    read: object = None  # Operation
    write: object = None
    clear: object = None
    table: str | None = None
    key: str | None = None

    def members(self):
        """{request member: reply member} without the entry's key."""
        pairs = setting_members(self.read, self.write)
        return {k: v for k, v in pairs.items() if k != self.key}


@dataclass
class Table:
    area: str
    name: str
    order: int
    key: str
    walk: str = ""
    add: object = None
    delete: object = None
    key_input: str | None = None
    fixed: dict = field(default_factory=dict)
    fields: list = field(default_factory=list)  # written by the add alone
    settings: dict = field(default_factory=dict)  # name -> Setting


class Model:
    """The configuration marks of the description, by area and order."""

    def __init__(self, api):
        self.areas = {}  # area -> {name: Setting | Table}
        tables = {}
        for op in api.operations.values():
            mark = op.config
            if not mark:
                continue
            area = self.areas.setdefault(mark["area"], {})
            if "table" in mark:
                table = tables.setdefault((mark["area"], mark["table"]),
                                          Table(mark["area"], mark["table"], mark["order"], mark["key"]))
                area[mark["table"]] = table
                role = mark["role"]
                if "setting" in mark:
                    s = table.settings.setdefault(mark["setting"], Setting(mark["area"], mark["setting"], mark["order"],
                                                                           table=mark["table"], key=mark["key"]))
                    setattr(s, role, op)
                elif role == "walk":
                    table.walk, table.fields = mark["walk"], mark.get("fields", [])
                else:
                    setattr(table, role, op)
                    table.key_input = mark.get("keyInput", table.key_input)
                    table.fixed = mark.get("fixed", table.fixed)
            else:
                s = area.setdefault(mark["setting"], Setting(mark["area"], mark["setting"], mark["order"]))
                setattr(s, mark["role"], op)

    def items(self, areas=None):
        """(area, name, item) in the order changes are made."""
        found = [(item.order, area, name, item) for area, names in self.areas.items()
                 if areas is None or area in areas for name, item in names.items()]
        return [(area, name, item) for _, area, name, item in sorted(found, key=lambda f: (f[0], f[2]))]

    def item(self, area, name):
        item = self.areas.get(area, {}).get(name)
        if item is None:
            known = ", ".join(sorted(self.areas.get(area, {}))) if area in self.areas else None
            where = f"{area}.{name}: not configuration" if known is not None else f"{area}: no such area"
            raise InputError("", f"{where}; the names are: {known or ', '.join(sorted(self.areas))}")
        return item


def _one(values):
    return next(iter(values.values())) if len(values) == 1 else values


# ---- reading ----

def read(client, select=None):
    """The configuration document; with select (a document), only the areas,
    settings and tables it names."""
    model = client.config_model()
    unknown = sorted(set(select or ()) - set(model.areas))
    if unknown:
        raise InputError("", f"{', '.join(unknown)}: no such area; the areas are: {', '.join(sorted(model.areas))}")
    document = {}
    for area, name, item in model.items(None if select is None else set(select)):
        if select is not None and select.get(area) is not None and name not in select[area]:
            continue
        if isinstance(item, Table):
            value = _read_table(client, item)
        else:
            data = client.call(item.read.id)
            value = _one({request: data[reply] for request, reply in item.members().items()})
        document.setdefault(area, {})[name] = value
    return document


def _read_table(client, table):
    plan = client.api.walks[table.walk]
    detail_of = {d["operation"]: d["members"] for d in plan.get("details", [])}
    entries = []
    for found in client.table(table.walk):
        entry = {table.key: found[table.key]}
        for name in table.fields:
            entry[name] = found[name]
        for name, s in table.settings.items():
            fields = detail_of[s.read.id]  # reply member -> walk field
            entry[name] = _one({request: found[fields[reply]] for request, reply in s.members().items()})
        entries.append(entry)
    return entries


# ---- changes ----

@dataclass
class Step:
    """One write: the operation, its values, and what it means."""

    op: object
    values: dict
    text: str
    add: bool = False


def _label(area, name, key=None):
    return f"{area}.{name}" + (f"[{key}]" if key is not None else "")


def _setting_values(s, value, key_value=None):
    """The setting's request values for a document value, checked."""
    members = list(s.members())
    if len(members) == 1:
        values = {members[0]: value}
    elif isinstance(value, dict):
        values = dict(value)
    else:
        raise InputError(s.write.route, f"{_label(s.area, s.name)}: give {', '.join(members)} as an object")
    unknown = [k for k in values if k not in members]
    if unknown:
        raise InputError(s.write.route, f"{_label(s.area, s.name)}: {', '.join(unknown)} is not one of "
                         f"{', '.join(members)}")
    checked = {}
    for name, v in values.items():
        schema = s.write.inputs[name]
        checked[name] = check_value(s.write.route, f"{_label(s.area, s.name)}.{name}", schema.schema, v, "body")
    if s.key is not None:
        checked[s.key] = key_value
    return checked


def _key_of(table, entry, where):
    if not isinstance(entry, dict) or table.key not in entry:
        raise InputError("", f"{where}: an entry is an object with its \"{table.key}\"")
    op = table.add
    name = table.key_input or table.key
    return check_value(op.route, f"{where}.{table.key}", op.inputs[name].schema, entry[table.key], "body")


def plan(model, current, desired, mode="merge", refused=None):
    """The steps that make current (a document read with select=desired)
    equal to desired, in a working order; every value checked. With refused
    (a list), an item whose values are refused is left out and the reason
    added there, instead of refusing the whole plan."""
    if mode not in MODES:
        raise InputError("", f"mode {mode!r}: merge or replace")
    if not isinstance(desired, dict):
        raise InputError("", "a configuration document is an object of areas")
    deletions, changes = [], []
    for area, names in desired.items():
        if not isinstance(names, dict):
            raise InputError("", f"{area}: an area is an object of settings and tables")
        for name in names:
            model.item(area, name)
    for area, name, item in model.items(set(desired)):
        if name not in desired[area]:
            continue
        want, have = desired[area][name], current.get(area, {}).get(name)
        try:
            _plan_item(item, area, name, want, have, mode, deletions, changes)
        except InputError as error:
            if refused is None:
                raise
            refused.append(str(error))
    return list(reversed(deletions)) + changes


def _plan_item(item, area, name, want, have, mode, deletions, changes):
    if isinstance(item, Table):
        _plan_table(item, have or [], want, mode, deletions, changes)
        return
    if item.clear is not None and want == "":
        if have != "":
            changes.append(Step(item.clear, {}, f"~ {_label(area, name)}: {have!r} -> ''"))
        return
    # A value the switch already holds is no change, and is not checked: a
    # switch may hold a value its own checks would refuse (a factory proxy
    # port of 0), and a document read from it must go back unchanged.
    if want == have:
        return
    values = _setting_values(item, want)
    if _one(values) != have:
        changes.append(Step(item.write, values, f"~ {_label(area, name)}: {have!r} -> {_one(values)!r}"))


def _plan_table(table, have, want, mode, deletions, changes):
    where = _label(table.area, table.name)
    if not isinstance(want, list):
        raise InputError("", f"{where}: a table is a list of entries")
    present = {entry[table.key]: entry for entry in have}
    wanted = {}
    for i, entry in enumerate(want):
        key = _key_of(table, entry, f"{where}[{i}]")
        if key in wanted:
            raise InputError("", f"{where}: {key!r} is given twice")
        unknown = [k for k in entry if k != table.key and k not in table.fields and k not in table.settings]
        if unknown:
            raise InputError("", f"{where}[{key}]: {', '.join(unknown)} is not a field of the entry; the fields are: "
                             + ", ".join([table.key, *table.fields, *table.settings]))
        wanted[key] = entry
    key_name = table.key_input or table.key
    gone = []
    for key, entry in present.items():
        moved = key in wanted and any(f in wanted[key] and wanted[key][f] != entry.get(f) for f in table.fields)
        if (mode == "replace" and key not in wanted) or moved:
            gone.append(Step(table.delete, {**table.fixed, key_name: key}, f"- {_label(table.area, table.name, key)}"))
            if moved:
                present[key] = None
    deletions.extend(reversed(gone))
    for key, entry in wanted.items():
        old = present.get(key)
        if old is None:
            # The add carries the values it takes; the entry's other settings follow it.
            add_values = {**table.fixed, key_name: key}
            rest = {}
            for name, value in entry.items():
                if name == table.key:
                    continue
                if name in table.fields:
                    add_values[name] = value
                    continue
                s = table.settings[name]
                values = _setting_values(s, value, key)
                carried = {k: v for k, v in values.items() if k != s.key and k in table.add.inputs}
                if len(carried) == len(values) - 1:
                    add_values.update(carried)
                else:
                    rest[name] = values
            for name, value in add_values.items():
                if name in table.add.inputs and name not in table.fixed:
                    add_values[name] = check_value(table.add.route, f"{where}[{key}].{name}",
                                                   table.add.inputs[name].schema, value, "body")
            changes.append(Step(table.add, add_values, f"+ {_label(table.area, table.name, key)}", add=True))
            for name, values in rest.items():
                s = table.settings[name]
                shown = _one({k: v for k, v in values.items() if k != s.key})
                changes.append(Step(s.write, values, f"  {_label(table.area, table.name, key)}.{name}: {shown!r}"))
            continue
        for name, value in entry.items():
            if name == table.key or name in table.fields or value == old.get(name):
                continue
            s = table.settings[name]
            values = _setting_values(s, value, key)
            shown = _one({k: v for k, v in values.items() if k != s.key})
            if shown != old.get(name):
                changes.append(Step(s.write, values, f"~ {_label(table.area, table.name, key)}.{name}: "
                                    f"{old.get(name)!r} -> {shown!r}"))


class ApplyError(SwitchError):
    """An apply failed midway: what was done, what failed, and how the
    switch was put back."""

    def __init__(self, message, done, restored):
        super().__init__("", message)
        self.done = done
        self.restored = restored
        self.exit_code = 6 if restored else 7


def execute(client, steps):
    """Sends the steps in order; the texts of those done, or (done, failed
    step, error) at the first failure."""
    done = []
    for step in steps:
        code, message, _ = client.exchange(step.op, step.values)
        if code == EXISTS and step.add:
            code = 0  # the entry is there; its settings follow as their own steps
        if code != 0:
            return done, step, ApiError(step.op.route, code, message, step.values)
        done.append(step.text)
    return done, None, None


def diff(client, desired, mode="merge"):
    """The changes apply would make, as lines; [] when the switch matches."""
    current = read(client, desired)
    return [step.text for step in plan(client.config_model(), current, desired, mode)]


def apply(client, desired, mode="merge", check=False):
    """Makes the switch equal desired; the changes made (or, with check,
    those that would be). ApplyError when a write failed: the switch was put
    back to what it was, as far as that went."""
    model = client.config_model()
    before = read(client, desired)
    steps = plan(model, before, desired, mode)
    if check or not steps:
        return [step.text for step in steps]
    try:
        done, failed, error = execute(client, steps)
    except SwitchError as raised:
        done, failed, error = [], None, raised
    if error is None:
        return done
    lines = [*done, f"! {failed.text.lstrip('+-~ ') if failed else 'request'} failed: {error}"]
    restored = True
    try:
        refused = []
        back = plan(model, read(client, before), before, "replace", refused)
        undone, undo_failed, undo_error = execute(client, back)
        lines += [f"put back: {text}" for text in undone]
        if refused:
            restored = False
            lines += [f"cannot be put back: {reason}" for reason in refused]
        if undo_error is not None:
            restored = False
            lines.append(f"put back failed: {undo_failed.text.lstrip('+-~ ')}: {undo_error}")
    except SwitchError as raised:
        restored = False
        lines.append(f"put back failed: {raised}")
    lines.append("the switch is as it was before" if restored else "the switch is NOT as it was before")
    raise ApplyError("\n".join(lines), done, restored)
