"""Checks a destination folder after the program was killed in a run, or after
the run that followed: every file at a final .msg name must read back whole
with olefile, a reader we did not write (every stream read to its end, an
Outlook message class, a property stream), and the temporaries a killed save
leaves (".<name>.<process>-<serial>.tmp") are counted.

  check_killed_outputs.py FOLDER [EXPECTED-COUNT]

Prints "<messages> messages, <invalid> invalid, <temporaries> temporaries";
exits non-zero when a message is invalid, or when EXPECTED-COUNT is given and
the messages or the temporaries differ from it and from none.
"""
import os
import re
import sys

import olefile

MESSAGE_CLASSES = (("__substg1.0_001A001F", "utf-16-le"), ("__substg1.0_001A001E", "latin-1"))
PROPERTIES = "__properties_version1.0"
TEMPORARY = re.compile(r"^\..+\.[0-9]+-[0-9]+\.tmp$")


def defect(path):
    if not olefile.isOleFile(path):
        return "not a compound file"
    try:
        with olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT) as ole:
            for entry in ole.listdir(streams=True, storages=False):
                ole.openstream(entry).read()
            if not ole.exists(PROPERTIES):
                return "no property stream"
            found = [(name, coding) for name, coding in MESSAGE_CLASSES if ole.exists(name)]
            if not found:
                return "no message class"
            name, coding = found[0]
            message_class = ole.openstream(name).read().decode(coding).rstrip("\0")
            if not message_class.startswith("IPM."):
                return f"message class {message_class!r}"
    except Exception as error:  # olefile reports damage with several types
        return f"unreadable: {error}"
    return None


def main(folder, expected):
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    messages = [n for n in names if n.lower().endswith(".msg")]
    temporaries = [n for n in names if TEMPORARY.match(n)]
    invalid = 0
    for name in messages:
        problem = defect(os.path.join(folder, name))
        if problem:
            invalid += 1
            print(f"INVALID {name}: {problem}")
    print(f"{len(messages)} messages, {invalid} invalid, {len(temporaries)} temporaries")
    if invalid:
        return 1
    if expected is not None and (len(messages) != expected or temporaries):
        print(f"expected {expected} messages and no temporary")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else None))
