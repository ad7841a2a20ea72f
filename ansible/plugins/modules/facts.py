#!/usr/bin/python
"""A switch's configuration and status as facts."""

DOCUMENTATION = r"""
module: facts
short_description: A switch's configuration document and status as facts
description:
  - Sets C(swmgmt_config) (the configuration document, as the config module takes it) and C(swmgmt_status)
    (every value read without input that is not configuration, such as the active NTP server).
options:
  areas: {description: Only these areas of the configuration., type: list, elements: str}
  status: {description: Whether to read the status too., type: bool, default: true}
extends_documentation_fragment: [swmgmt.switch.switch]
attributes:
  check_mode: {support: full}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.swmgmt.switch.plugins.module_utils.connection import connect, fail, switch_options
from ansible_collections.swmgmt.switch.plugins.module_utils.swmgmt import ApiError, SwitchError


def status_of(client):
    """Every value read with GET and no input that is not configuration
    (table walks left out); one the switch does not carry is left out."""
    configured = {op.id for op in client.api.operations.values() if op.config}
    status = {}
    for name, (get, _) in sorted(client.api.settings(writable=False).items()):
        if get.id in configured or get.inputs or get.walk:
            continue
        try:
            status[name] = client.get(name)
        except ApiError:
            continue
    return status


def main():
    module = AnsibleModule(argument_spec=switch_options(
        areas=dict(type="list", elements="str"),
        status=dict(type="bool", default=True),
    ), supports_check_mode=True)
    client = connect(module)
    try:
        with client:
            facts = dict(swmgmt_config=client.config_get(module.params["areas"]))
            if module.params["status"]:
                facts["swmgmt_status"] = status_of(client)
    except SwitchError as error:
        fail(module, error)
    module.exit_json(changed=False, ansible_facts=facts)


if __name__ == "__main__":
    main()
