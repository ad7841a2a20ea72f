"""The options every module of the collection takes to reach its switch."""


class ModuleDocFragment:
    DOCUMENTATION = r"""
options:
  base: {description: The switch, as https://HOST[:PORT]., type: str, required: true}
  token: {description: A session token., type: str}
  user: {description: A user to log in as (with password) when there is no token., type: str}
  password: {description: The user's password., type: str}
  cacert: {description: The certificate authorities the switch's certificate is verified against., type: path}
  timeout: {description: Seconds a request may take., type: float, default: 30}
"""
