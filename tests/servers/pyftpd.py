"""FTP server with one password user, for logins that vsftpd would need a system account for.

usage: pyftpd.py <port> <first passive port> <home> <user> <password> [<address> [<cert> <key>]]

The address defaults to 127.0.0.1; "::1" serves IPv6 (passive connections then go through EPSV).
With a certificate and key (PEM) the server offers explicit TLS (AUTH TLS, PROT P) without requiring it.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    port, pasv, home, user, password = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]
    address = sys.argv[6] if len(sys.argv) > 6 else "127.0.0.1"
    auth = DummyAuthorizer()
    auth.add_user(user, password, home, perm="elradfmwMT")
    handler = FTPHandler
    if len(sys.argv) > 8:
        from pyftpdlib.handlers import TLS_FTPHandler
        handler = TLS_FTPHandler
        handler.certfile = sys.argv[7]
        handler.keyfile = sys.argv[8]
    handler.authorizer = auth
    handler.passive_ports = range(pasv, pasv + 20)
    if ":" not in address:
        handler.masquerade_address = address
    handler.permit_foreign_addresses = True  # site-to-site copies connect from another server
    server = FTPServer((address, port), handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
