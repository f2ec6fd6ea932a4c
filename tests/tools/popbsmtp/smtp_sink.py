#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A throw-away mail server for tests: a real SMTP server (aiosmtpd) on 127.0.0.1 and,
on request, a small POP3 responder beside it.

Run it with the system interpreter (/usr/bin/python3, which has python3-aiosmtpd):

    /usr/bin/python3 smtp_sink.py --dir OUT [options]

It listens on free ports and prints one line per server on standard output, then "READY":

    SMTP <port>
    SMTPS <port>         (only with --implicit-tls)
    POP3 <port>          (only with --pop3)
    READY

Each accepted message is written before the server answers 250, as OUT/mail-<n>.eml (the
raw content as received, dot-stuffing undone) and OUT/mail-<n>.json with the keys
mail_from, rcpt_tos, tls (STARTTLS was used), auth_login (user of SMTP AUTH or null),
subject (decoded), from, to, date, message_id, mime_version, content_type,
transfer_encoding (header values) and body (decoded text).
POP3 logins are appended to OUT/pop3.log as "LOGIN-OK <user>" or "LOGIN-FAIL <user>".
SMTP sign-ins and senders are appended to OUT/smtp.log as "AUTH <mechanism> OK <user>",
"AUTH <mechanism> FAIL <user>" and "MAIL <address>", so a test can tell that nothing was
sent, not even a password.

Options:
    --tls DIR             offer STARTTLS with a certificate issued at start-up by a
                          throw-away certificate authority: DIR/ca.pem (trust it in
                          clients), DIR/cert.pem and DIR/key.pem
    --tls-names NAMES     subjectAltName of that certificate
                          (default "IP:127.0.0.1,DNS:localhost")
    --require-tls         refuse mail until STARTTLS was done
    --implicit-tls        also listen for implicit TLS (needs --tls; a free port, so never
                          465) and print "SMTPS <port>"
    --auth USER PASS      require SMTP AUTH with these credentials (after STARTTLS when
                          --tls is given)
    --auth-mechanism M    offer only this AUTH mechanism (PLAIN or LOGIN; default both)
    --reject ADDR         answer RCPT for ADDR with 550 (may be repeated)
    --no-relay ADDR       answer RCPT for ADDR with 554, relaying refused (may be repeated)
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


def log_smtp(state, line):
    with open(os.path.join(state.out_dir, "smtp.log"), "a", encoding="utf-8") as f:
        f.write(line + "\n")


class Handler:
    def __init__(self, state, reject, require_pop, implicit_tls=False, no_relay=()):
        self.state = state
        self.reject = {a.lower() for a in reject}
        self.no_relay = {a.lower() for a in no_relay}
        self.require_pop = require_pop
        self.implicit_tls = implicit_tls

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        log_smtp(self.state, "MAIL " + address)
        if self.require_pop and self.state.pop_logins == 0:
            return "530 5.7.0 Log in with POP3 first"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.reject:
            return "550 5.1.1 No such user here"
        if address.lower() in self.no_relay:
            return "554 5.7.1 Relay access denied"
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
            "tls": self.implicit_tls or session.ssl is not None,
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
    """A throw-away certificate authority and a server certificate it issued."""
    os.makedirs(directory, exist_ok=True)
    path = lambda name: os.path.join(directory, name)

    def openssl(*args):
        subprocess.run(["openssl"] + list(args), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl("req", "-x509", *ec, "-keyout", path("ca-key.pem"), "-out", path("ca.pem"),
            "-days", "2", "-subj", "/CN=popbsmtp throw-away test CA")
    openssl("req", "-new", *ec, "-keyout", path("key.pem"), "-out", path("cert.csr"),
            "-subj", "/CN=popbsmtp test server")
    with open(path("cert.ext"), "w", encoding="ascii") as f:
        f.write("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                "subjectAltName=%s\n" % names)
    openssl("x509", "-req", "-in", path("cert.csr"), "-CA", path("ca.pem"), "-CAkey",
            path("ca-key.pem"), "-CAcreateserial", "-out", path("cert.pem"), "-days", "2",
            "-extfile", path("cert.ext"))
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(path("cert.pem"), path("key.pem"))
    return context


async def main():
    parser = argparse.ArgumentParser(description="Throw-away SMTP (and POP3) server for tests")
    parser.add_argument("--dir", required=True)
    parser.add_argument("--tls")
    parser.add_argument("--tls-names", default="IP:127.0.0.1,DNS:localhost")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--auth", nargs=2, metavar=("USER", "PASS"))
    parser.add_argument("--auth-mechanism", choices=["PLAIN", "LOGIN"])
    parser.add_argument("--reject", action="append", default=[])
    parser.add_argument("--no-relay", action="append", default=[])
    parser.add_argument("--pop3", nargs=2, metavar=("USER", "PASS"))
    parser.add_argument("--require-pop", action="store_true")
    args = parser.parse_args()

    os.makedirs(args.dir, exist_ok=True)
    state = State(args.dir)
    context = make_certificate(args.tls, args.tls_names) if args.tls else None

    if args.implicit_tls and not context:
        parser.error("--implicit-tls needs --tls")

    def authenticator(server, session, envelope, mechanism, auth_data):
        user = (auth_data.login.decode("utf-8", "replace")
                if isinstance(auth_data, LoginPassword) else "?")
        ok = (isinstance(auth_data, LoginPassword) and user == args.auth[0]
              and auth_data.password.decode("utf-8", "replace") == args.auth[1])
        log_smtp(state, "AUTH %s %s %s" % (mechanism, "OK" if ok else "FAIL", user))
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    excluded = ([m for m in ("PLAIN", "LOGIN") if m != args.auth_mechanism]
                if args.auth_mechanism else [])

    def smtp_factory(handler, starttls_context, auth_require_tls):
        return lambda: SMTP(handler, hostname="sink.test", tls_context=starttls_context,
                            require_starttls=bool(starttls_context) and args.require_tls,
                            auth_required=bool(args.auth),
                            auth_require_tls=auth_require_tls,
                            authenticator=authenticator if args.auth else None,
                            auth_exclude_mechanism=excluded,
                            timeout=60)

    loop = asyncio.get_running_loop()
    smtp_server = await loop.create_server(
        smtp_factory(Handler(state, args.reject, args.require_pop, no_relay=args.no_relay), context, bool(context)),
        "127.0.0.1", 0)
    print("SMTP %d" % smtp_server.sockets[0].getsockname()[1])
    if args.implicit_tls:
        # The connection is TLS from its first byte: no STARTTLS, AUTH offered at once.
        smtps_server = await loop.create_server(
            smtp_factory(Handler(state, args.reject, args.require_pop, implicit_tls=True,
                          no_relay=args.no_relay),
                         None, False),
            "127.0.0.1", 0, ssl=context)
        print("SMTPS %d" % smtps_server.sockets[0].getsockname()[1])
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
