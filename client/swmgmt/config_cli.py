"""swmgmt config get | diff FILE | apply FILE: the command's side of the
configuration document (files in JSON, or YAML where PyYAML is there)."""

import json

from .errors import InputError

try:
    import yaml
except ImportError:  # JSON alone
    yaml = None

HELP = """  config get [AREA ...]           the configuration document (all areas, or those named);
                                  -o yaml writes YAML (with PyYAML)
  config diff FILE                what apply would change, a line each ("no changes")
  config apply FILE               make the switch equal FILE: --mode merge (default: what
                                  FILE names) or replace (tables too: entries not in FILE
                                  go); --check sends no write; a failure midway puts the
                                  switch back (exit 6; 7 when putting back failed too)
"""


def load_document(path):
    """A configuration document from a JSON or YAML file."""
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as error:
        raise InputError("", f"{path}: {error.strerror}") from None
    try:
        return json.loads(text)
    except ValueError as error:
        if yaml is None:
            raise InputError("", f"{path}: not JSON ({error}); YAML needs PyYAML (python3-yaml)") from None
    try:
        return yaml.safe_load(text)
    except yaml.YAMLError as error:
        raise InputError("", f"{path}: neither JSON nor YAML: {error}") from None


def lines_of(changes, check=False):
    if not changes:
        return "no changes"
    return "\n".join(changes) + ("\n(check: nothing was sent)" if check else "")


def work(args):
    """What config does on each switch: a function of a Client."""
    words = args.words
    verb = words[0] if words else ""
    if verb == "get":
        areas = words[1:] or None
        return lambda client: client.config_get(areas)
    if verb in ("diff", "apply"):
        if len(words) != 2:
            raise InputError("", f"config {verb} needs one FILE")
        document = load_document(words[1])
        if verb == "diff":
            return lambda client: lines_of(client.config_diff(document, args.mode))
        return lambda client: lines_of(client.config_apply(document, args.mode, args.check), args.check)
    raise InputError("", "config get, config diff FILE or config apply FILE")


def dump_yaml(result):
    if yaml is None:
        raise InputError("", "-o yaml needs PyYAML (python3-yaml)")
    return yaml.safe_dump(result, sort_keys=False, default_flow_style=False).rstrip("\n")
