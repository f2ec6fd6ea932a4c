#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads the monitor's outputs the way other programs do and says what it found, as one JSON
object on standard output; exits 1 with the reasons on standard error when an output is
broken.

    check_outputs.py LOG EML JSON...

LOG   the event log: read with Python's csv module (RFC 4180); every row has four fields,
      none holds a control character, none begins with what a spreadsheet takes for a formula
      ("=", "+", "-", "@", TAB, CR; the lone "-" of an empty field excepted).
EML   a mail as the server received it: parsed with the email package; no defects, exactly
      the headers the mail tool writes, each header's value on one line once unfolded, and a
      body whose lines hold no control character.
JSON  each a JSON document: valid UTF-8, parsed strictly, every string valid Unicode.

Found: {"device_line": the body's "DeviceName:" line, "headers": [names in order]}.
"""

import csv
import email
import email.policy
import json
import re
import sys

CONTROL = re.compile("[\x00-\x1f\x7f-\x9f]")
HEADERS = ["Date", "From", "To", "Subject", "Message-ID", "MIME-Version", "Content-Type",
           "Content-Transfer-Encoding"]
problems = []


def check_log(path):
    with open(path, newline="", encoding="utf-8") as f:
        raw = f.read()
    if not raw.endswith("\r\n") or "\r\n" not in raw:
        problems.append("log: not CR LF lines")
    rows = list(csv.reader(raw.splitlines(keepends=False), strict=True))
    if rows[0] != ["DiscoveryTime", "DeviceName", "FriendlyMode", "ExecInfo"]:
        problems.append("log: header %r" % rows[0])
    for n, row in enumerate(rows[1:], 2):
        if len(row) != 4:
            problems.append("log line %d: %d fields %r" % (n, len(row), row[:6]))
        for field in row:
            if CONTROL.search(field):
                problems.append("log line %d: control character in %r" % (n, field[:80]))
            if len(field) > 1 and field[0] in "=+-@\t\r":
                problems.append("log line %d: formula %r" % (n, field[:80]))


def check_mail(path):
    with open(path, "rb") as f:
        raw = f.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    if message.defects:
        problems.append("mail: defects %r" % message.defects)
    names = list(message.keys())
    if names != HEADERS:
        problems.append("mail: headers %r" % names)
    for name in names:
        value = message[name]
        if getattr(value, "defects", None):
            problems.append("mail: %s defects %r" % (name, value.defects))
        if CONTROL.search(str(value)):
            problems.append("mail: %s holds a control character: %r" % (name, str(value)[:80]))
    body = message.get_content()
    device_line = None
    for line in body.replace("\r\n", "\n").split("\n"):
        if CONTROL.search(line):
            problems.append("mail body: control character in %r" % line[:80])
        if line.startswith("DeviceName:"):
            device_line = line
    return device_line, names


def check_json(path):
    with open(path, "rb") as f:
        raw = f.read()
    try:
        value = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as error:
        problems.append("%s: %s" % (path, error))
        return

    def walk(v):
        if isinstance(v, str):
            try:
                v.encode("utf-8")
            except UnicodeEncodeError:
                problems.append("%s: a string is no valid Unicode: %r" % (path, v[:40]))
        elif isinstance(v, list):
            for item in v:
                walk(item)
        elif isinstance(v, dict):
            for key, item in v.items():
                walk(key)
                walk(item)

    walk(value)


def main():
    check_log(sys.argv[1])
    device_line, names = check_mail(sys.argv[2])
    for path in sys.argv[3:]:
        check_json(path)
    if problems:
        sys.stderr.write("\n".join(problems) + "\n")
        return 1
    json.dump({"device_line": device_line, "headers": names}, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
