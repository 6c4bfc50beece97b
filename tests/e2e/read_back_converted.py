"""Reads back the messages that the end-to-end scenarios converted.

Each scenario that converts leaves a converted.tsv in its work folder: one
line per output file, "<msg path>\t<source eml path>". Every listed file is
opened with olefile, a reader we did not write, and must be an Outlook
message (a message class of IPM.Note) whose subject is the one Python's mail
library decodes from the source. Exits non-zero on any mismatch, and when no
list is found at all, so a run that converted nothing cannot pass (unless
there is no corpus to convert, which skips the check).
"""
import email
import email.policy
import glob
import os
import sys

import olefile

SUBJECT = "__substg1.0_0037001F"
MESSAGE_CLASS = "__substg1.0_001A001F"
# CTest reports this exit code as a skipped test.
SKIPPED = 77


def unicode_property(ole, name):
    if not ole.exists(name):
        return None
    return ole.openstream(name).read().decode("utf-16-le").rstrip("\0")


def normalised(text):
    return " ".join((text or "").split())


def source_subject(path):
    with open(path, "rb") as f:
        message = email.message_from_bytes(f.read(), policy=email.policy.default)
    return normalised(str(message["subject"] or ""))


def check(msg_path, eml_path):
    if not olefile.isOleFile(msg_path):
        return f"{msg_path}: not a compound file"
    with olefile.OleFileIO(msg_path) as ole:
        message_class = unicode_property(ole, MESSAGE_CLASS)
        subject = normalised(unicode_property(ole, SUBJECT))
    if not (message_class or "").startswith("IPM.Note"):
        return f"{msg_path}: message class {message_class!r}"
    expected = source_subject(eml_path)
    if subject != expected:
        return f"{msg_path}: subject {subject!r}, source has {expected!r}"
    return None


def main(work_folder):
    lists = sorted(glob.glob(os.path.join(work_folder, "*", "converted.tsv")))
    if not lists:
        corpus = os.environ.get("MAILVANE_CORPUS", "")
        if not corpus or not os.path.isdir(corpus):
            print("no corpus: set MAILVANE_CORPUS to the shared corpus folder")
            return SKIPPED
        print(f"no converted.tsv under {work_folder}: the scenarios converted nothing")
        return 1
    failures = checked = 0
    for listing in lists:
        with open(listing, encoding="utf-8") as f:
            for line in f:
                msg_path, eml_path = line.rstrip("\n").split("\t")
                problem = check(msg_path, eml_path)
                checked += 1
                if problem:
                    failures += 1
                    print("FAIL", problem)
    print(f"{checked} converted messages read back, {failures} mismatches")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
