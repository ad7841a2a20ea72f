"""What every module of the collection shares: the switch's options and a
client of it, with errors reported as the module's failure."""

from ansible_collections.swmgmt.switch.plugins.module_utils.swmgmt import Client, SwitchError

SWITCH_OPTIONS = dict(
    base=dict(type="str", required=True),
    token=dict(type="str", no_log=True),
    user=dict(type="str"),
    password=dict(type="str", no_log=True),
    cacert=dict(type="path"),
    timeout=dict(type="float", default=30.0),
)


def switch_options(**more):
    return dict(SWITCH_OPTIONS, **more)


def connect(module):
    """A Client of the module's switch; a failure of the module when the
    switch cannot be reached or refuses the session."""
    p = module.params
    if not p["token"] and not p["user"]:
        module.fail_json(msg=f"{p['base']}: no credentials: give token, or user and password")
    if not p["base"].startswith("https://"):
        module.fail_json(msg=f"{p['base']}: the switch is reached over HTTPS (https://HOST[:PORT])")
    try:
        return Client(p["base"], p["token"] or None, user=None if p["token"] else p["user"],
                      password=p["password"], cacert=p["cacert"], timeout=p["timeout"])
    except SwitchError as error:
        module.fail_json(msg=f"{p['base']}: {error}", switch=p["base"])


def fail(module, error, **result):
    module.fail_json(msg=f"{module.params['base']}: {error}", switch=module.params["base"],
                     exit_code=getattr(error, "exit_code", 1), **result)
