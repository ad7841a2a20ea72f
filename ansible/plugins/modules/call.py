#!/usr/bin/python
"""Any operation of the management interface, by its id."""

DOCUMENTATION = r"""
module: call
short_description: Any operation of a switch's management interface, by its id
description:
  - Sends one operation (by operationId, such as C(postNtpServer), or "METHOD path") with its values,
    checked against the description first. An operation that reads (GET) reports no change; any other
    reports a change and is not sent in check mode.
options:
  operation: {description: The operationId or "METHOD path"., type: str, required: true}
  values: {description: The inputs by name., type: dict, default: {}}
extends_documentation_fragment: [swmgmt.switch.switch]
attributes:
  check_mode: {support: partial, details: Operations other than GET are not sent.}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.swmgmt.switch.plugins.module_utils.connection import connect, fail, switch_options
from ansible_collections.swmgmt.switch.plugins.module_utils.swmgmt import SwitchError


def main():
    module = AnsibleModule(argument_spec=switch_options(
        operation=dict(type="str", required=True),
        values=dict(type="dict", default={}),
    ), supports_check_mode=True)
    client = connect(module)
    try:
        with client:
            op = client.operation(module.params["operation"])
            changes = op.method != "GET"
            if changes and module.check_mode:
                client.prepare(op, module.params["values"])  # checked, not sent
                module.exit_json(changed=True, data=None)
            data = client.call(op.id, **module.params["values"])
    except SwitchError as error:
        fail(module, error)
    module.exit_json(changed=changes, data=data)


if __name__ == "__main__":
    main()
