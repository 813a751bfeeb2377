"""Ports on the loopback interface for the servers the tests start."""

import socket


def free_port():
    """A port on 127.0.0.1 that nothing listens on now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def require_free(port, user):
    """Fails unless `port` on 127.0.0.1 can be bound, naming `user` who needs it."""
    with socket.socket() as probe:
        # As servers bind: a connection of an earlier run still in TIME_WAIT does not count.
        probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            probe.bind(("127.0.0.1", port))
        except OSError as error:
            raise RuntimeError(f"port {port} on 127.0.0.1 is taken ({error}); {user} needs it") from error
