#!/usr/bin/python3
"""A throw-away mail server for tests: a real SMTP server (aiosmtpd) on 127.0.0.1 and,
on request, a small POP3 responder beside it.

Run it with the system interpreter (/usr/bin/python3, which has python3-aiosmtpd):

    /usr/bin/python3 smtp_sink.py --dir OUT [options]

It listens on free ports and prints one line per server on standard output, then "READY":

    SMTP <port>
    POP3 <port>          (only with --pop3)
    READY

Each accepted message is written before the server answers 250, as OUT/mail-<n>.eml (the
raw content as received, dot-stuffing undone) and OUT/mail-<n>.json with the keys
mail_from, rcpt_tos, tls (STARTTLS was used), auth_login (user of SMTP AUTH or null),
subject (decoded), from, to, date, message_id, mime_version, content_type,
transfer_encoding (header values) and body (decoded text).
POP3 logins are appended to OUT/pop3.log as "LOGIN-OK <user>" or "LOGIN-FAIL <user>".

Options:
    --tls DIR             offer STARTTLS with a self-signed certificate made at start-up
                          into DIR/cert.pem and DIR/key.pem (trust DIR/cert.pem in clients)
    --tls-names NAMES     subjectAltName of that certificate
                          (default "IP:127.0.0.1,DNS:localhost")
    --require-tls         refuse mail until STARTTLS was done
    --auth USER PASS      require SMTP AUTH with these credentials (after STARTTLS when
                          --tls is given)
    --reject ADDR         answer RCPT for ADDR with 550 (may be repeated)
    --pop3 USER PASS      run a POP3 responder that accepts this login
    --require-pop         refuse MAIL with 530 until a POP3 login succeeded (POP before SMTP)

The servers stop when standard input closes or on SIGTERM.
"""

import argparse
import asyncio
import email
import email.policy
import json
import os
import signal
import ssl
import subprocess
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class State:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.count = 0
        self.pop_logins = 0


def write_atomically(path, data):
    tmp = path + ".part"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


class Handler:
    def __init__(self, state, reject, require_pop):
        self.state = state
        self.reject = {a.lower() for a in reject}
        self.require_pop = require_pop

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.require_pop and self.state.pop_logins == 0:
            return "530 5.7.0 Log in with POP3 first"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.reject:
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or envelope.content
        if isinstance(raw, str):
            raw = raw.encode("utf-8", "surrogateescape")
        message = email.message_from_bytes(raw, policy=email.policy.default)
        try:
            body = message.get_content()
        except Exception as error:  # an undecodable body is reported, not hidden
            body = "<undecodable: %s>" % error
        login = getattr(session, "auth_data", None)
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": list(envelope.rcpt_tos),
            "tls": session.ssl is not None,
            "auth_login": login.login.decode("utf-8") if isinstance(login, LoginPassword)
            else None,
            "subject": str(message.get("Subject", "")),
            "from": str(message.get("From", "")),
            "to": str(message.get("To", "")),
            "date": str(message.get("Date", "")),
            "message_id": str(message.get("Message-ID", "")),
            "mime_version": str(message.get("MIME-Version", "")),
            "content_type": str(message.get("Content-Type", "")),
            "transfer_encoding": str(message.get("Content-Transfer-Encoding", "")),
            "body": body,
        }
        self.state.count += 1
        base = os.path.join(self.state.out_dir, "mail-%d" % self.state.count)
        write_atomically(base + ".eml", raw)
        write_atomically(base + ".json", json.dumps(record, indent=1).encode("utf-8"))
        return "250 Message accepted for delivery"


class Pop3Responder(asyncio.Protocol):
    """Just enough POP3 for a login check: CAPA, USER, PASS, NOOP, STAT, LIST, QUIT."""

    def __init__(self, state, user, password):
        self.state = state
        self.user = user
        self.password = password
        self.given_user = None
        self.logged_in = False
        self.buffer = b""

    def connection_made(self, transport):
        self.transport = transport
        transport.write(b"+OK test POP3 server ready\r\n")

    def log(self, line):
        with open(os.path.join(self.state.out_dir, "pop3.log"), "a", encoding="utf-8") as f:
            f.write(line + "\n")

    def data_received(self, data):
        self.buffer += data
        while b"\r\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\r\n", 1)
            self.command(line.decode("utf-8", "replace"))

    def command(self, line):
        verb, _, arg = line.partition(" ")
        verb = verb.upper()
        w = self.transport.write
        if verb == "CAPA":
            w(b"+OK capabilities\r\nUSER\r\n.\r\n")
        elif verb == "USER" and not self.logged_in:
            self.given_user = arg
            w(b"+OK send PASS\r\n")
        elif verb == "PASS" and self.given_user is not None and not self.logged_in:
            if self.given_user == self.user and arg == self.password:
                self.logged_in = True
                self.state.pop_logins += 1
                self.log("LOGIN-OK " + self.given_user)
                w(b"+OK logged in\r\n")
            else:
                self.log("LOGIN-FAIL " + self.given_user)
                self.given_user = None
                w(b"-ERR invalid login\r\n")
        elif verb in ("NOOP", "STAT", "LIST") and self.logged_in:
            w({"NOOP": b"+OK\r\n", "STAT": b"+OK 0 0\r\n", "LIST": b"+OK 0 messages\r\n.\r\n"}
              [verb])
        elif verb == "QUIT":
            w(b"+OK bye\r\n")
            self.transport.close()
        else:
            w(b"-ERR not allowed\r\n")


def make_certificate(directory, names):
    os.makedirs(directory, exist_ok=True)
    cert = os.path.join(directory, "cert.pem")
    key = os.path.join(directory, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
         cert, "-days", "2", "-subj", "/CN=popbsmtp test server", "-addext",
         "subjectAltName=" + names],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)
    return context


async def main():
    parser = argparse.ArgumentParser(description="Throw-away SMTP (and POP3) server for tests")
    parser.add_argument("--dir", required=True)
    parser.add_argument("--tls")
    parser.add_argument("--tls-names", default="IP:127.0.0.1,DNS:localhost")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--auth", nargs=2, metavar=("USER", "PASS"))
    parser.add_argument("--reject", action="append", default=[])
    parser.add_argument("--pop3", nargs=2, metavar=("USER", "PASS"))
    parser.add_argument("--require-pop", action="store_true")
    args = parser.parse_args()

    os.makedirs(args.dir, exist_ok=True)
    state = State(args.dir)
    context = make_certificate(args.tls, args.tls_names) if args.tls else None

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode("utf-8", "replace") == args.auth[0]
              and auth_data.password.decode("utf-8", "replace") == args.auth[1])
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    handler = Handler(state, args.reject, args.require_pop)

    def smtp_factory():
        return SMTP(handler, hostname="sink.test", tls_context=context,
                    require_starttls=bool(context) and args.require_tls,
                    auth_required=bool(args.auth),
                    auth_require_tls=bool(context),
                    authenticator=authenticator if args.auth else None,
                    timeout=60)

    loop = asyncio.get_running_loop()
    smtp_server = await loop.create_server(smtp_factory, "127.0.0.1", 0)
    print("SMTP %d" % smtp_server.sockets[0].getsockname()[1])
    if args.pop3:
        pop_server = await loop.create_server(
            lambda: Pop3Responder(state, args.pop3[0], args.pop3[1]), "127.0.0.1", 0)
        print("POP3 %d" % pop_server.sockets[0].getsockname()[1])
    print("READY", flush=True)

    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_reader(sys.stdin.fileno(),
                    lambda: stop.set() if not os.read(sys.stdin.fileno(), 4096) else None)
    await stop.wait()


if __name__ == "__main__":
    asyncio.run(main())
