#!/usr/bin/python3
"""FTP server for the transfer tests and the benchmark.

One user with a password and a home folder, on 127.0.0.1. The port is chosen by the system and
written to standard output as "PORT <n>" once the server listens. Without --tls-cert the server
offers no TLS, so a client that requires AUTH TLS is refused.

Options for the awkward cases:
  --throttle N         at most N bytes a second on each data connection
  --drop-after N       close the data and the control connection once N bytes have moved on a data
                       connection (a server that goes away in the middle of a transfer)
  --stall-after N      stop sending and reading on a data connection once N bytes have moved on it,
                       keeping both connections open (a line that stops carrying data)
  --silent-on CMD      from the command CMD on, answer nothing and keep the connection open
  --perm PERMS         the user's rights in pyftpdlib's letters (no "f": no renaming)
  --rename-no-replace  refuse a rename onto an existing file, as Windows servers do
  --refuse-suffix S    refuse to store a file whose name ends in S
  --tls-cert FILE      require TLS (AUTH TLS, PROT P) with this certificate chain ...
  --tls-key FILE       ... and this key
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class AwkwardDTPHandler(ThrottledDTPHandler):
    drop_after = 0
    stall_after = -1
    _stalled = False

    def use_sendfile(self):
        return False

    def _drop_if_due(self):
        if self.drop_after and self.get_transmitted_bytes() >= self.drop_after and not self._closed:
            control = self.cmd_channel
            self._resp = ()
            self.close()
            control.close()

    def _stall_if_due(self):
        if not self._stalled and 0 <= self.stall_after <= self.get_transmitted_bytes():
            self._stalled = True
            self.ioloop.modify(self._fileno, 0)  # no more reads or writes; the socket stays open
        return self._stalled

    def initiate_send(self):
        if not self._stall_if_due():
            super().initiate_send()

    def send(self, data):
        sent = super().send(data)
        self._drop_if_due()
        return sent

    def handle_read(self):
        if self._stall_if_due():
            return
        DTPHandler.handle_read(self)
        self._drop_if_due()

    handle_read_event = handle_read


def awkward_handler(base, args):
    silent_on = (args.silent_on or "").upper()

    class Handler(base):
        _silent = False

        def pre_process_command(self, line, cmd, arg):
            if self._silent or cmd == silent_on:
                self._silent = True
                return
            super().pre_process_command(line, cmd, arg)

        def ftp_RNTO(self, path):
            if args.rename_no_replace and self._rnfr and self.fs.lexists(path):
                self._rnfr = None
                self.respond("550 File exists.")
                return None
            return super().ftp_RNTO(path)

        def ftp_STOR(self, file, mode="w"):
            if args.refuse_suffix and file.endswith(args.refuse_suffix):
                self.respond("553 Not allowed here.")
                return None
            return super().ftp_STOR(file, mode)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--throttle", type=int, default=0)
    parser.add_argument("--drop-after", type=int, default=0)
    parser.add_argument("--stall-after", type=int, default=-1)
    parser.add_argument("--silent-on", default="")
    parser.add_argument("--perm", default="elradfmwMT")
    parser.add_argument("--rename-no-replace", action="store_true")
    parser.add_argument("--refuse-suffix", default="")
    parser.add_argument("--tls-cert", default="")
    parser.add_argument("--tls-key", default="")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if args.verbose else logging.WARNING, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=args.perm)

    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler  # needs python3-openssl

        class PatientTLSDTPHandler(TLS_DTPHandler):
            # A client that starts TLS on the data connection before it sends RETR or STOR would
            # otherwise find the connection closed: an idle data channel closes itself once read.
            def readable(self):
                return self._ssl_accepting or super().readable()

        base = TLS_FTPHandler
    handler = awkward_handler(base, args)
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    handler.auth_failed_timeout = 0.05  # no three-second pause after a wrong password
    if args.tls_cert:
        handler.certfile = args.tls_cert
        handler.keyfile = args.tls_key or None
        handler.tls_control_required = True
        handler.tls_data_required = True
        handler.dtp_handler = PatientTLSDTPHandler
    elif args.throttle or args.drop_after or args.stall_after >= 0:
        dtp = type("TestDTPHandler", (AwkwardDTPHandler,), {})
        dtp.read_limit = args.throttle
        dtp.write_limit = args.throttle
        dtp.drop_after = args.drop_after
        dtp.stall_after = args.stall_after
        handler.dtp_handler = dtp

    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    main()
