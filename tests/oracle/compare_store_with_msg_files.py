"""Each message of a store eml2msg wrote, read with pypff, against the .msg
file eml2msg wrote for the same source with -d, read with olefile: every
property of the .msg (named ones by property set and name, not by id) is in
the store's message with an equal value, save those named below; the same
for each attachment, its data bytes included. (pypff reads no recipient
table: compare_store_with_pst_extractor.js compares the recipients.)

usage: compare_store_with_msg_files.py STORE.pst OUTDIR REPORT.json
  REPORT.json  the --report of the -d OUTDIR run (the store's order)
"""
import collections
import json
import os
import sys

import pypff

import msg_property_reader
import pst_property_reader

# Properties a .msg file holds that a store's message has no place for, or
# holds otherwise, each with the reason; compared nowhere else here.
FILE_ONLY = {
    # The .msg's own: what the file's (absent) store supports, so that a
    # reader knows its strings are Unicode ([MS-OXMSG] 2.1.2); the store
    # says it once, on its message store object.
    0x340D: 'PidTagStoreSupportMask: a .msg file\'s statement of its own',
}
# Properties whose value a store gives for itself.
STORE_OWN = {
    0x0E20: 'PidTagAttachSize: the size of the attachment object in its container\'s encoding',
}
STRING_TYPES = (0x001F, 0x0102)
OBJECT = 0x000D


def same(ptype, stored, want):
    # An empty string or binary is stored without a heap item ([MS-PST]
    # 2.3.3.3), which pypff reads as no value.
    if stored is None and ptype in STRING_TYPES:
        stored = type(want)()
    return stored == want


def stored_subject(value):
    # A store's subject starts with SOH and a character whose code is one
    # more than the length of its prefix ("Re: "), as Outlook writes it.
    return value[2:] if isinstance(value, str) and value.startswith('\x01') else value


def message_in_store(top, folder, position):
    found = pst_property_reader.folder_at(top, [] if folder == '.' else folder.split('/'))
    if found is None or position >= found.number_of_sub_messages:
        return None
    return found.get_sub_message(position)


def compare_props(where, expected, seen, tally, problems):
    for key, (ptype, want) in expected.items():
        if ptype == OBJECT:
            # Where the object is kept: a storage of the .msg, a subnode of
            # the store; the attached message itself is counted apart.
            tally['objects'] += 1
            continue
        if key in FILE_ONLY or key in STORE_OWN:
            tally['left out'][key] += 1
            continue
        tally['properties'] += 1
        if key not in seen:
            problems.append(f'{where}: {key_text(key, ptype)} missing in the store (the .msg: {short(want)})')
        elif not same(ptype, stored_subject(seen[key][1]) if key == 0x0037 else seen[key][1], want):
            problems.append(f'{where}: {key_text(key, ptype)} is {short(seen[key][1])}, the .msg {short(want)}')


def key_text(key, ptype):
    return f'{key[0]}/{key[1]} ({ptype:04X})' if isinstance(key, tuple) else f'{key:04X}{ptype:04X}'


def short(value):
    text = repr(value)
    return text if len(text) < 120 else text[:117] + '...'


def compare_message(where, msg, message, names, tally, problems):
    compare_props(where, msg.props, pst_property_reader.properties(message, names), tally, problems)
    if len(msg.attachments) != message.number_of_attachments:
        problems.append(f'{where}: {message.number_of_attachments} attachments, the .msg {len(msg.attachments)}')
    for index in range(min(len(msg.attachments), message.number_of_attachments)):
        tally['attachments'] += 1
        ours = msg.attachments[index]
        attachment = message.get_attachment(index)
        at = f'{where} attachment {index}'
        seen = pst_property_reader.properties(attachment, names)
        compare_props(at, ours.props, seen, tally, problems)
        data = ours.value(0x3701)
        if isinstance(data, bytes):
            tally['attachment bytes'] += len(data)
            stored = attachment.read_buffer(attachment.size) if attachment.size else b''
            if stored != data:
                problems.append(f'{at}: {len(stored)} data bytes differ from the .msg\'s {len(data)}')
        if ours.embedded is not None:
            # pypff gives no way into an attached message (libpff's export
            # does: store_check_with_pypff.py compares its subject); it is
            # counted, its attachment object compared above.
            tally['attached messages'] += 1


def main():
    store, out_dir, report = sys.argv[1:4]
    with open(report, encoding='utf-8') as f:
        inputs = [e for e in json.load(f)['inputs'] if e['outcome'] == 'converted']
    pst = pypff.file()
    pst.open(store)
    names = pst_property_reader.name_map(pst)
    tops = [f for f in pst.root_folder.sub_folders if any(s.name == 'Deleted Items' for s in f.sub_folders)]
    if not tops:
        print('no top of personal folders in the store')
        return 1
    tally = {'messages': 0, 'properties': 0, 'attachments': 0, 'attachment bytes': 0, 'attached messages': 0,
             'objects': 0, 'left out': collections.Counter()}
    problems = []
    positions = collections.Counter()
    for entry in inputs:
        relative = os.path.relpath(entry['output'], out_dir)
        folder = os.path.dirname(relative) or '.'
        message = message_in_store(tops[0], folder, positions[folder])
        positions[folder] += 1
        if message is None:
            problems.append(f'{relative}: not in the store\'s folder {folder}')
            continue
        msg = msg_property_reader.read_msg(entry['output'])
        subject = stored_subject(pst_property_reader.properties(message, names).get(0x0037, (0, None))[1]) or ''
        if subject != msg.value(0x0037, ''):
            problems.append(f'{relative}: the store has {subject!r} there, the .msg {msg.value(0x0037, "")!r}')
            continue
        tally['messages'] += 1
        compare_message(relative, msg, message, names, tally, problems)
    for problem in problems:
        print(problem)
    left_out = ', '.join(f'{key:04X} x{n} ({(FILE_ONLY | STORE_OWN)[key]})' for key, n in sorted(tally['left out'].items()))
    print(f"pypff: {tally['messages']} messages, {tally['properties']} properties compared, "
          f"{tally['attachments']} attachments ({tally['attachment bytes']} data bytes), "
          f"{tally['attached messages']} attached messages (not opened: pypff has no way in); left out: {left_out or 'none'}; {len(problems)} problems")
    return 1 if problems or tally['messages'] == 0 else 0


if __name__ == '__main__':
    sys.exit(main())
