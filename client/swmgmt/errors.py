"""What goes wrong, as exceptions that carry the route and the detail, and
the exit code the command gives each."""


class SwitchError(Exception):
    """Base of every error of the client."""

    exit_code = 1

    def __init__(self, route, message):
        super().__init__(f"{route}: {message}" if route else message)
        self.route = route


class InputError(SwitchError):
    """A value the client refuses to send: it would not mean what was meant,
    or the switch would refuse it. Nothing was sent."""

    exit_code = 2


class ApiError(SwitchError):
    """The switch answered with a response code other than 0."""

    exit_code = 3

    def __init__(self, route, code, message, sent=None):
        detail = f"{code} {message}"
        if code == 10003 and sent:
            detail += " (sent " + ", ".join(f"{k}={v!r}" for k, v in sent.items()) + ")"
        elif code == 10003:
            detail += " (sent no values)"
        super().__init__(route, detail)
        self.code = code
        self.message = message
        self.sent = sent or {}


class HttpError(SwitchError):
    """The web server answered without the program's envelope: 403 (session
    refused), 411, 500, or the connection failed."""

    exit_code = 4

    def __init__(self, route, status, message):
        super().__init__(route, f"HTTP {status}: {message}" if status else message)
        self.status = status


class WalkError(SwitchError):
    """A table could not be walked whole: it kept changing under the walk, or
    the switch repeated an entry."""

    exit_code = 5
