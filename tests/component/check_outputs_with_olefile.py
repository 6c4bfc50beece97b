#!/usr/bin/python3
"""Reads the message files that the component wrote for the core corpus
with olefile, a compound file reader we did not write, and checks each one
against its source as Python's own mail parser sees it.

usage: check_outputs_with_olefile.py OUTPUT_FOLDER SOURCE_ROOT
Exit 0 when every file passes, 1 on a failure, 77 when there is nothing to
check (no corpus, or the conversion test did not run).
"""
import email
import email.policy
import email.utils
import os
import re
import sys

import olefile

SKIPPED = 77


def corpus_folder(source_root):
    folder = os.environ.get("MAILVANE_CORPUS") or os.path.join(source_root, "..", "shared", "corpus")
    return folder if os.path.isfile(os.path.join(folder, "CORE.txt")) else None


def core_files(corpus):
    with open(os.path.join(corpus, "CORE.txt"), encoding="utf-8") as listing:
        return [line.strip() for line in listing if line.strip() and not line.startswith("#")]


def utf16_stream(ole, name):
    if not ole.exists(name):
        return None
    return ole.openstream(name).read().decode("utf-16-le")


def plain_header(message, name):
    """The header unfolded, when it is plain ASCII without encoded words."""
    value = message.get(name)
    if value is None or not isinstance(value, str) or "=?" in value:
        return None
    if any(ord(c) > 126 or (ord(c) < 32 and c not in "\t\r\n") for c in value):
        return None
    return " ".join(value.split())


def check(source, output):
    problems = []
    if not olefile.isOleFile(output):
        return ["not a compound file"]
    with olefile.OleFileIO(output) as ole:
        properties = "__properties_version1.0"
        if not ole.exists(properties):
            return ["no property stream"]
        size = ole.get_size(properties)
        if size < 32 or (size - 32) % 16:
            problems.append(f"property stream of {size} bytes does not hold whole 16-byte entries")
        if not ole.exists("__nameid_version1.0"):
            problems.append("no named property mapping")
        # A mail is a note; an invitation is the meeting message its METHOD
        # names ([MS-OXCICAL] 2.1.3.1.1.1).
        message_class = utf16_stream(ole, "__substg1.0_001A001F")
        if message_class is None or not re.match(r"IPM\.(Note|Schedule\.Meeting\.|Appointment$)",
                                                 message_class.rstrip("\0")):
            problems.append(f"message class {message_class!r}")

        with open(source, "rb") as data:
            parsed = email.message_from_binary_file(data, policy=email.policy.compat32)
        subject = plain_header(parsed, "Subject")
        if subject:
            written = utf16_stream(ole, "__substg1.0_0037001F")
            if written is None or " ".join(written.rstrip("\0").split()) != subject:
                problems.append(f"subject {written!r}, source says {subject!r}")
        to = plain_header(parsed, "To")
        if to and any("@" in address for _, address in email.utils.getaddresses([to])):
            recipients = [entry for entry in ole.listdir(streams=False, storages=True)
                          if len(entry) == 1 and entry[0].startswith("__recip_version1.0_#")]
            if not recipients:
                problems.append("the source has To addresses, the message no recipient")
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    outputs, source_root = sys.argv[1], sys.argv[2]
    corpus = corpus_folder(source_root)
    if corpus is None or not os.path.isdir(outputs):
        print("nothing to check: no corpus or no component outputs")
        return SKIPPED
    failures = 0
    files = core_files(corpus)
    for relative in files:
        name = os.path.basename(relative).replace(".eml", ".msg")
        output = os.path.join(outputs, name)
        problems = ["missing"] if not os.path.isfile(output) else check(os.path.join(corpus, relative), output)
        for problem in problems:
            print(f"{name}: {problem}")
        failures += bool(problems)
    print(f"{len(files) - failures} of {len(files)} message files pass")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
