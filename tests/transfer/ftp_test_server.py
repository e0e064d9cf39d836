#!/usr/bin/python3
"""FTP server for the transfer tests and the benchmark.

One user with a password and a home folder, on 127.0.0.1. The port is chosen by the system and
written to standard output as "PORT <n>" once the server listens. The server offers no TLS, so a
client that requires AUTH TLS is refused.

Options for the awkward cases:
  --throttle N     at most N bytes a second on each data connection
  --drop-after N   close the data and the control connection once N bytes have moved on a data
                   connection (a server that goes away in the middle of a transfer)
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class DroppingDTPHandler(ThrottledDTPHandler):
    drop_after = 0

    def use_sendfile(self):
        return False

    def _drop_if_due(self):
        if self.drop_after and self.get_transmitted_bytes() >= self.drop_after and not self._closed:
            control = self.cmd_channel
            self._resp = ()
            self.close()
            control.close()

    def send(self, data):
        sent = super().send(data)
        self._drop_if_due()
        return sent

    def handle_read(self):
        DTPHandler.handle_read(self)
        self._drop_if_due()

    handle_read_event = handle_read


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--throttle", type=int, default=0)
    parser.add_argument("--drop-after", type=int, default=0)
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if args.verbose else logging.WARNING, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    handler = type("TestFTPHandler", (FTPHandler,), {})
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    handler.auth_failed_timeout = 0.05  # no three-second pause after a wrong password
    if args.throttle or args.drop_after:
        dtp = type("TestDTPHandler", (DroppingDTPHandler,), {})
        dtp.read_limit = args.throttle
        dtp.write_limit = args.throttle
        dtp.drop_after = args.drop_after
        handler.dtp_handler = dtp

    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    main()
