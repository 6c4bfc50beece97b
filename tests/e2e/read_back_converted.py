"""Reads back the messages that the end-to-end scenarios converted.

Each scenario that converts leaves a converted.tsv in its work folder: one
line per output file, "<msg path>\t<source eml path>". Every listed file is
opened with olefile, a reader we did not write, and must be an Outlook
message (a message class of IPM.Note) whose subject is the one Python's mail
library decodes from the source. A scenario that checks the state a message
keeps also leaves a states.tsv, "<msg path>\t<words>": the words name what
the message's properties must say (draft or received, read or unread,
replied, flagged, category=NAME). Exits non-zero on any mismatch, and when no
list is found at all, so a run that converted nothing cannot pass (unless
there is no corpus to convert, which skips the check).
"""
import email
import email.policy
import glob
import os
import struct
import sys

import olefile

SUBJECT = "__substg1.0_0037001F"
MESSAGE_CLASS = "__substg1.0_001A001F"
PROPERTIES = "__properties_version1.0"
NAMED = "__nameid_version1.0/"
MESSAGE_FLAGS = 0x0E070003
SUBMIT_TIME = 0x00390040
LAST_VERB_EXECUTED = 0x10810003
FLAG_STATUS = 0x10900003
MF_READ, MF_UNSENT = 0x0001, 0x0008
VERB_REPLY_TO_SENDER = 102
FOLLOWUP_FLAGGED = 2
PS_PUBLIC_STRINGS = bytes.fromhex("2903020000000000c000000000000046")
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


def fixed_properties(ole):
    """The top message's fixed-size properties: tag -> 8-byte value."""
    data = ole.openstream(PROPERTIES).read()
    values = {}
    for at in range(32, len(data) - 15, 16):
        tag, _, value = struct.unpack_from("<II8s", data, at)
        values[tag] = value
    return values


def named_property_id(ole, guid, name):
    """The property id the file gives the string-named property `name`, or None."""
    guids = ole.openstream(NAMED + "__substg1.0_00020102").read()
    entries = ole.openstream(NAMED + "__substg1.0_00030102").read()
    strings = ole.openstream(NAMED + "__substg1.0_00040102").read()
    for at in range(0, len(entries) - 7, 8):
        offset, index_and_kind = struct.unpack_from("<II", entries, at)
        if not index_and_kind & 1:
            continue
        guid_index = (index_and_kind & 0xFFFF) >> 1
        entry_guid = PS_PUBLIC_STRINGS if guid_index == 2 else guids[(guid_index - 3) * 16:(guid_index - 2) * 16]
        (length,) = struct.unpack_from("<I", strings, offset)
        entry_name = strings[offset + 4:offset + 4 + length].decode("utf-16-le")
        if entry_guid == guid and entry_name == name:
            return 0x8000 + (index_and_kind >> 16)
    return None


def categories(ole):
    prop = named_property_id(ole, PS_PUBLIC_STRINGS, "Keywords")
    if prop is None:
        return []
    stem = f"__substg1.0_{prop:04X}101F"
    if not ole.exists(stem):
        return []
    count = len(ole.openstream(stem).read()) // 4
    return [unicode_property(ole, f"{stem}-{i:08X}") for i in range(count)]


def check_state(msg_path, words):
    with olefile.OleFileIO(msg_path) as ole:
        fixed = fixed_properties(ole)
        names = categories(ole)
    flags = struct.unpack_from("<i", fixed.get(MESSAGE_FLAGS, bytes(8)))[0]
    verb = struct.unpack_from("<i", fixed[LAST_VERB_EXECUTED])[0] if LAST_VERB_EXECUTED in fixed else None
    flag = struct.unpack_from("<i", fixed[FLAG_STATUS])[0] if FLAG_STATUS in fixed else None
    found = {
        # Outlook's drafts were never submitted; they keep the time of their last save as delivery time.
        "draft": bool(flags & MF_UNSENT) and SUBMIT_TIME not in fixed,
        "received": not flags & MF_UNSENT and SUBMIT_TIME in fixed,
        "read": bool(flags & MF_READ),
        "unread": not flags & MF_READ,
        "replied": verb == VERB_REPLY_TO_SENDER,
        "flagged": flag == FOLLOWUP_FLAGGED,
    }
    expected = [w for w in words.split() if not w.startswith("category=")]
    wanted_names = [w[len("category="):] for w in words.split() if w.startswith("category=")]
    problems = [w for w in expected if not found[w]]
    if "replied" not in expected and verb is not None:
        problems.append(f"verb {verb}")
    if "flagged" not in expected and flag is not None:
        problems.append(f"flag status {flag}")
    if names != wanted_names:
        problems.append(f"categories {names}")
    if problems:
        return f"{msg_path}: expected {words!r}, message flags {flags:#x}; not so: {', '.join(problems)}"
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
    for pattern, checker in (("converted.tsv", check), ("states.tsv", check_state)):
        for listing in sorted(glob.glob(os.path.join(work_folder, "*", pattern))):
            with open(listing, encoding="utf-8") as f:
                for line in f:
                    problem = checker(*line.rstrip("\n").split("\t"))
                    checked += 1
                    if problem:
                        failures += 1
                        print("FAIL", problem)
    print(f"{checked} converted messages read back, {failures} mismatches")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
