"""A client of the switch management interface, version 2: every operation
of its description by name, checked input, clear errors, settings under one
name, whole tables, many switches at once, and login.

    from swmgmt import Client
    with Client("http://127.0.0.1:8080", token) as switch:
        switch.set("webmgmt/sw-dev-ctrl-web-mgmt-mode", "enable")
        for server in switch.table("ntp-servers"):
            print(server["ntpServer"], server["prefer"])
"""

from .client import Client, description
from .errors import ApiError, HttpError, InputError, SwitchError, WalkError
from .many import Switch, read_switches, run_all

__all__ = ["Client", "description", "ApiError", "HttpError", "InputError", "SwitchError", "WalkError",
           "Switch", "read_switches", "run_all"]
