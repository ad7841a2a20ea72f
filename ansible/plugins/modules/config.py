#!/usr/bin/python
"""Makes a switch's configuration equal to a document."""

DOCUMENTATION = r"""
module: config
short_description: Make a switch's configuration equal to a document
description:
  - Reads what the document names from the switch, compares, and writes only what differs, in an order
    that works (keys before the servers that use them, authentication after its keys, deletions first).
  - A failure midway puts the switch back to what it was before (best effort, every step reported).
  - Runs on the control node and talks HTTPS to the switch, verifying its certificate.
options:
  config:
    description: The configuration document, as C(swmgmt config get) writes it
      ({area: {setting: value, table: [entries]}}).
    type: dict
    required: true
  state:
    description: C(merged) changes what the document names; C(replaced) also deletes the table entries
      it does not list.
    type: str
    choices: [merged, replaced]
    default: merged
extends_documentation_fragment: [swmgmt.switch.switch]
attributes:
  check_mode: {support: full}
  diff_mode: {support: full}
"""

EXAMPLES = r"""
- swmgmt.switch.config:
    base: "{{ swmgmt_base }}"
    token: "{{ swmgmt_token }}"
    cacert: "{{ swmgmt_cacert }}"
    config:
      mgmttelnet: {agent-telnet-admin-mode: disable}
"""

RETURN = r"""
changes: {description: The changes, a line each (made, or with check mode those that would be)., type: list, returned: always}
requests: {description: The requests sent to the switch, reads included., type: int, returned: success}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.swmgmt.switch.plugins.module_utils.connection import connect, fail, switch_options
from ansible_collections.swmgmt.switch.plugins.module_utils.swmgmt import SwitchError

MODES = {"merged": "merge", "replaced": "replace"}


def main():
    module = AnsibleModule(argument_spec=switch_options(
        config=dict(type="dict", required=True),
        state=dict(type="str", choices=list(MODES), default="merged"),
    ), supports_check_mode=True)
    client = connect(module)
    try:
        with client:
            changes = client.config_apply(module.params["config"], MODES[module.params["state"]],
                                          check=module.check_mode)
    except SwitchError as error:
        fail(module, error, changed=bool(getattr(error, "done", None)))
    result = dict(changed=bool(changes), changes=changes, requests=client.requests)
    if module._diff and changes:
        result["diff"] = dict(prepared="\n".join(changes) + "\n")
    module.exit_json(**result)


if __name__ == "__main__":
    main()
