"""Writes a store of converted corpus messages in a folder tree three levels
deep, checks it with pst_check, opens it with pypff and pffexport (libpff,
readers we did not write) and compares each message's subject, sender, body,
recipients, attachments and flags with the message file the engine writes
for the same message, read with olefile. A flagged message and a draft are
compared with Outlook's own (the corpus stores flags_jane_doe and
unsent_email).

usage: store_check_with_pypff.py <store_corpus_writer> <pst_check> <output folder> <corpus>
"""
import os
import shutil
import struct
import subprocess
import sys

import olefile
import pypff

PR_SUBJECT = 0x0037
PR_MESSAGE_FLAGS = 0x0E07
PR_CLIENT_SUBMIT_TIME = 0x0039
PR_FLAG_STATUS = 0x1090
PR_FOLLOWUP_ICON = 0x1095
PR_TODO_ITEM_FLAGS = 0x0E2B
MF_READ = 0x01
MF_UNSENT = 0x08
MF_HAS_ATTACH = 0x10
#Messages of the corpus that exercise what a store must keep : attachments,
#attached messages, many recipients, non - ASCII text, large bodies, a draft.
CHOSEN = 60


def msg_properties(ole, storage=""):
    """The fixed-size values of a message file's property stream, by id."""
    path = (storage + "/" if storage else "") + "__properties_version1.0"
    data = ole.openstream(path).read()
    header = 32 if storage == "" else 8
    values = {}
    for at in range(header, len(data) - 15, 16):
        tag, _flags = struct.unpack_from("<II", data, at)
        values[tag >> 16] = (tag & 0xFFFF, data[at + 8:at + 16])
    return values


def msg_string(ole, storage, tag):
    path = (storage + "/" if storage else "") + "__substg1.0_%08X" % tag
    if not ole.exists(path):
        return None
    return ole.openstream(path).read().decode("utf-16-le")


def msg_binary(ole, storage, tag):
    path = (storage + "/" if storage else "") + "__substg1.0_%08X" % tag
    return ole.openstream(path).read() if ole.exists(path) else None


def read_msg(path):
    ole = olefile.OleFileIO(path)
    props = msg_properties(ole)
    flags = struct.unpack_from("<I", props[PR_MESSAGE_FLAGS][1])[0] if PR_MESSAGE_FLAGS in props else 0
    fixed = {pid: struct.unpack_from("<I", props[pid][1])[0] for pid in (PR_FLAG_STATUS, PR_FOLLOWUP_ICON, PR_TODO_ITEM_FLAGS) if pid in props}
    recipients, attachments, embedded_subjects = [], [], []
    for entry in sorted(ole.listdir(streams=False, storages=True)):
        if len(entry) != 1:
            continue
        name = entry[0]
        if name.startswith("__recip_version1.0_"):
            recipients.append((msg_string(ole, name, 0x3001001F) or "", msg_string(ole, name, 0x3003001F) or ""))
        elif name.startswith("__attach_version1.0_"):
            embedded = name + "/__substg1.0_3701000D"
            if ole.exists(embedded):
                embedded_subjects.append(msg_string(ole, embedded, 0x0037001F) or "")
            data = msg_binary(ole, name, 0x37010102)
            attachments.append((msg_string(ole, name, 0x3707001F) or msg_string(ole, name, 0x3704001F) or "",
                                len(data) if data is not None else None))
    return {
        "subject": msg_string(ole, "", 0x0037001F) or "",
        "sender": msg_string(ole, "", 0x0C1A001F),
        "body": msg_string(ole, "", 0x1000001F) or "",
        "flags": flags,
        "fixed": fixed,
        "submitted": PR_CLIENT_SUBMIT_TIME in props,
        "recipients": recipients,
        "attachments": attachments,
        "embedded": embedded_subjects,
    }


def entries(item):
    values = {}
    for record_set in item.record_sets:
        for entry in record_set.entries:
            values[entry.entry_type] = entry
    return values


def number(entry):
    return int.from_bytes(entry.data[:4], "little") if entry is not None and entry.data else None


def folder_at(root, path):
    folder = root
    for name in path:
        found = [folder.get_sub_folder(i) for i in range(folder.number_of_sub_folders)
                 if folder.get_sub_folder(i).name == name]
        if not found:
            return None
        folder = found[0]
    return folder


def export_item(export_dir, folder_path, position):
    """The folder pffexport made for the item at `position` of a folder:
    Message00001, Meeting00002, ... by the item's kind."""
    folder = os.path.join(export_dir, *folder_path)
    suffix = "%05d" % (position + 1)
    names = [name for name in os.listdir(folder) if name.endswith(suffix) and name[:-5].isalpha()]
    return os.path.join(folder, names[0]) if names else None


def export_embedded_subjects(item):
    """The subjects of the messages pffexport found attached to an item."""
    subjects = []
    attachments = os.path.join(item, "Attachments") if item else ""
    if not os.path.isdir(attachments):
        return subjects
    for name in sorted(os.listdir(attachments)):
        inner = os.path.join(attachments, name)
        if not os.path.isdir(inner):
            continue
        for kind in sorted(os.listdir(inner)):
            for text in ("OutlookHeaders.txt", "Meeting.txt"):
                path = os.path.join(inner, kind, text)
                if os.path.exists(path):
                    with open(path, encoding="utf-8", errors="replace") as lines:
                        subject = [line.split(":", 1)[1].strip("\t \n") for line in lines if line.startswith("Subject:")]
                    subjects.append(subject[0] if subject else "")
                    break
    return subjects


def export_recipients(export_dir, folder_path, position):
    """The recipients pffexport reads for the message at `position` of a folder."""
    folder = os.path.join(export_dir, *folder_path)
#pffexport names an item by its kind : Message00001, Meeting00002, ...
    suffix = "%05d" % (position + 1)
    names = [name for name in os.listdir(folder) if name.endswith(suffix) and name[:-5].isalpha()]
    if not names:
        return []
#pffexport writes no recipient list for meetings : nothing to compare.
    if names[0].startswith("Meeting"):
        return None
    path = os.path.join(folder, names[0], "Recipients.txt")
    if not os.path.exists(path):
        return []
    recipients, current = [], {}
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            key, _, value = line.rstrip("\n").partition(":")
            value = value.strip("\t ")
            if key == "Display name":
                current = {"name": value}
            elif key == "Email address":
                current["address"] = value
            elif key == "Recipient type":
                recipients.append((current.get("name", ""), current.get("address", "")))
    return recipients


def read_store_message(message, values):
    body = message.plain_text_body
    attachments = []
    for i in range(message.number_of_attachments):
        attachment = message.get_attachment(i)
        attachment_values = entries(attachment)
        name_entry = attachment_values.get(0x3707) or attachment_values.get(0x3704)
        name = name_entry.data.decode("utf-16-le") if name_entry is not None and name_entry.data else ""
        method = number(attachment_values.get(0x3705))
        attachments.append((name, attachment.size if method != 5 else None))
    return {
    "subject" : message.subject or "", "sender" : message.sender_name,
#An empty string is stored without a heap item([MS - PST] 2.3.3.3),
#which pypff reads as no value.
        "body" : body.decode("utf-8") if body is not None else "", "flags" : number(values.get(PR_MESSAGE_FLAGS)),
                                                                             "fixed" : {
    pid: number(values[pid]) for pid in (PR_FLAG_STATUS, PR_FOLLOWUP_ICON, PR_TODO_ITEM_FLAGS) if pid in values
    }
    , "submitted" : PR_CLIENT_SUBMIT_TIME in values, "attachments" : attachments,
}

def outlook_message(store, subject):
    """Outlook's own message of `subject` in a corpus store, as pypff reads it."""
    pst = pypff.file()
    pst.open(store)
    pending = [pst.get_root_folder()]
    while pending:
        folder = pending.pop()
        for i in range(folder.number_of_sub_messages):
            message = folder.get_sub_message(i)
            if message.subject == subject:
                return entries(message)
        pending.extend(folder.get_sub_folder(i) for i in range(folder.number_of_sub_folders))
    return None


def main():
    writer, pst_check, out, corpus = sys.argv[1:5]
    shutil.rmtree(out, ignore_errors=True)
    emls = sorted(os.path.join(corpus, "eml", name) for name in os.listdir(os.path.join(corpus, "eml")))
    if not emls:
        print("no corpus: skipped")
        return 0
    step = max(1, len(emls) // CHOSEN)
    chosen = emls[::step][:CHOSEN]
    draft = os.path.join(corpus, "eml", "tb-composition-24-xunsent.eml")
    if os.path.exists(draft) and draft not in chosen:
        chosen.append(draft)
#The converter gives a message whose name says so the follow - up flag.
    flagged_source = os.path.join(out + "-input", "flagged.eml")
    os.makedirs(os.path.dirname(flagged_source), exist_ok=True)
    shutil.copyfile(chosen[0], flagged_source)
    chosen.append(flagged_source)
    subprocess.run([writer, out] + chosen, check=True)
    checked = subprocess.run([pst_check, os.path.join(out, "store.pst")], capture_output=True, text=True)
    sys.stdout.write(checked.stdout)
    sys.stderr.write(checked.stderr)
    problems = []
    if checked.returncode != 0:
        problems.append("pst_check found defects")

    export_base = os.path.join(out, "export")
    exported = subprocess.run(["pffexport", "-q", "-t", export_base, os.path.join(out, "store.pst")],
                              capture_output=True, text=True)
    sys.stderr.write(exported.stderr)
    if exported.returncode != 0:
        problems.append("pffexport failed")
    export_dir = export_base + ".export"

    pst = pypff.file()
    pst.open(os.path.join(out, "store.pst"))
    root = pst.get_root_folder()
    positions = {}
    compared = 0
    unexported = 0
    embedded = 0
    store_of = {}
    with open(os.path.join(out, "manifest.tsv"), encoding="utf-8") as manifest:
        rows = [line.rstrip("\n").split("\t") for line in manifest]
    for index, folder_path, source in rows:
        path = ["Corpus"] + folder_path.split("/")
        folder = folder_at(root, path)
        if folder is None:
            problems.append("%s: folder %s not found" % (source, folder_path))
            continue
        position = positions.get(folder_path, 0)
        positions[folder_path] = position + 1
        if position >= folder.number_of_sub_messages:
            problems.append("%s: message %d of %s missing" % (source, position, folder_path))
            continue
        message = folder.get_sub_message(position)
        expected = read_msg(os.path.join(out, index + ".msg"))
        seen = read_store_message(message, entries(message))
        seen["recipients"] = export_recipients(export_dir, path, position)
        seen["embedded"] = export_embedded_subjects(export_item(export_dir, path, position))
        if seen["recipients"] is None:
            seen["recipients"] = expected["recipients"]
            unexported += 1
        embedded += len(expected["embedded"])
        for key in ("subject", "sender", "body", "flags", "fixed", "submitted", "recipients", "attachments", "embedded"):
            if seen[key] != expected[key]:
                problems.append("%s: %s %r, the message file has %r" % (source, key, seen[key], expected[key]))
        store_of[source] = seen
        compared += 1

#Outlook's flagged mail ("Needs response") and its draft.
    stores = os.path.join(corpus, "pst")
    flagged = outlook_message(os.path.join(stores, "pstreader-aranetic_process-pst_flags_jane_doe.pst"), "Needs response")
    unsent = outlook_message(os.path.join(stores, "pstreader-aranetic_process-pst_unsent_email.pst"), "This email was never sent")
    ours_flagged = store_of.get("flagged.eml")
    ours_draft = store_of.get("tb-composition-24-xunsent.eml")
    if os.path.isdir(stores) and (flagged is None or unsent is None):
        problems.append("Outlook's flagged message or draft is not in its corpus store")
    if ours_flagged is None or ours_draft is None:
        problems.append("our flagged message or draft was not compared")
    if flagged is not None and ours_flagged is not None:
        for pid in (PR_FLAG_STATUS, PR_FOLLOWUP_ICON, PR_TODO_ITEM_FLAGS):
            if ours_flagged["fixed"].get(pid) != number(flagged.get(pid)):
                problems.append("flagged: %04X is %r, Outlook's %r" % (pid, ours_flagged["fixed"].get(pid), number(flagged.get(pid))))
    if unsent is not None and ours_draft is not None:
#The draft 's read bit is the message file' s : the converter marks
#every mail it makes read, drafts included; Outlook's draft is unread.
        outlook_flags = number(unsent.get(PR_MESSAGE_FLAGS)) & ~MF_READ
        if ours_draft["flags"] & ~(MF_READ | MF_HAS_ATTACH) != outlook_flags:
            problems.append("draft: flags %#x, Outlook's %#x" % (ours_draft["flags"], outlook_flags))
        if ours_draft["submitted"] != (PR_CLIENT_SUBMIT_TIME in unsent):
            problems.append("draft: a submit time where Outlook's has none, or none where it has one")

    if ours_flagged is not None and ours_draft is not None:
        print("flagged: %r; draft: flags %#x" % (ours_flagged["fixed"], ours_draft["flags"]))
    for problem in problems:
        print(problem)
    print("%d messages and %d attached messages compared (%d meetings without pffexport's recipient list), "
          "%d problems" % (compared, embedded, unexported, len(problems)))
    return 1 if problems or compared < len(rows) or compared == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
