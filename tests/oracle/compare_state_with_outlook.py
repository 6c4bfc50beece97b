#!/usr/bin/python3
"""The state a mail's header fields give the .msg eml2msg writes, beside the
state Outlook's own files hold, property by property; then the state of
every header source read back from our files with olefile.

Outlook's references (read from the corpus at run time; pypff for the PSTs):
  draft (read)       msg/eom-04-plain-uc-unsent.msg
  draft (unread)     pst unsent_email, Drafts, 'This email was never sent'
  unread             pst flags_jane_doe, 'Unread email (do not open)'
  flagged            pst flags_jane_doe, 'Needs response'
  replied, flagged   pst flags_jane_doe, 'Needed a response, and has one'
  forwarded          msg/poi-06-attachment-msg-inlineimg.msg
  categories         pst farnulfo sample1, 'Here is a sample message'
Only the properties that carry the state are compared: each one Outlook
writes must be ours too, with its value, and each one it leaves out must be
left out, except for the differences listed in EXPECTED with their reasons.

Usage: compare_state_with_outlook.py EML2MSG"""
import os
import subprocess
import sys
import tempfile

import msg_property_reader
import pst_property_reader

HERE = os.path.dirname(os.path.abspath(__file__))
TASK = '00062003-0000-0000-C000-000000000046'
COMMON = '00062008-0000-0000-C000-000000000046'
PUBLIC = msg_property_reader.PS_PUBLIC_STRINGS
KEYWORDS = (PUBLIC, 'Keywords')

MF_READ, MF_UNMODIFIED, MF_UNSENT = 0x1, 0x2, 0x8
ICON_FROM_CLASS = -1

# The properties that carry a mail's state, with how two values compare.
STATE_PROPERTIES = [
    (0x0E07, 'PidTagMessageFlags: mfRead, mfUnsent', 'flags'),
    (0x0E07, 'PidTagMessageFlags: mfUnmodified', 'unmodified'),
    (0x0039, 'PidTagClientSubmitTime', 'presence'),
    (0x0E06, 'PidTagMessageDeliveryTime', 'presence'),
    (0x1080, 'PidTagIconIndex', 'icon'),
    (0x1081, 'PidTagLastVerbExecuted', 'value'),
    (0x1082, 'PidTagLastVerbExecutionTime', 'presence'),
    (0x1090, 'PidTagFlagStatus', 'value'),
    (0x1095, 'PidTagFollowupIcon', 'value'),
    (0x0E2B, 'PidTagToDoItemFlags', 'value'),
    ((TASK, 0x8101), 'PidLidTaskStatus', 'value'),
    ((TASK, 0x8102), 'PidLidPercentComplete', 'value'),
    ((TASK, 0x811C), 'PidLidTaskComplete', 'value'),
    ((COMMON, 0x8530), 'PidLidFlagRequest', 'value'),
    ((TASK, 0x8104), 'PidLidTaskStartDate', 'presence'),
    ((TASK, 0x8105), 'PidLidTaskDueDate', 'presence'),
    (KEYWORDS, 'PidNameKeywords', 'value'),
]

# (reference, property label) -> why ours differs.
UNMODIFIED = ('a received mail its owner did not change keeps mfUnmodified, as nine of the corpus\'s received '
              'Outlook files have it, read or unread; this copy lost it in its store, by a change no header '
              'field records')
EXPECTED = {
    ('unread', 'PidTagMessageFlags: mfUnmodified'): UNMODIFIED,
    ('forwarded', 'PidTagLastVerbExecutionTime'):
        'no header field records when a mail was forwarded; the time is written when a store gives one',
}

HEADER = ('From: Ann <ann@example.org>\r\nTo: Bob <bob@example.com>\r\nSubject: {subject}\r\n'
          'Date: Thu, 24 Jun 2010 19:18:01 +0000\r\nMessage-ID: <{stem}@example.org>\r\n')


def corpus_dir():
    if os.environ.get('MAILVANE_CORPUS'):
        return os.environ['MAILVANE_CORPUS']
    return os.path.join(HERE, '..', '..', '..', 'shared', 'corpus')


def pst_message(file_name, folder_name, subject):
    """The properties of one message of a corpus PST, keyed as msg_property_reader keys them."""
    import pypff
    pst = pypff.file()
    pst.open(os.path.join(corpus_dir(), 'pst', file_name))
    try:
        names = pst_property_reader.name_map(pst)
        pending = [pst.get_root_folder()]
        while pending:
            folder = pending.pop()
            pending.extend(folder.sub_folders)
            if folder.name != folder_name:
                continue
            for message in folder.sub_messages:
                if message.subject != subject:
                    continue
                return {key: value for key, (_, value) in pst_property_reader.properties(message, names).items()}
    finally:
        pst.close()
    raise LookupError(f'{file_name}: no message {subject!r} in {folder_name}')


def msg_message(file_name):
    message = msg_property_reader.read_msg(os.path.join(corpus_dir(), 'msg', file_name))
    return {key: value for key, (_, value) in message.props.items()}


# Each reference: the state header fields that say what Outlook's mail says.
REFERENCES = [
    ('draft', 'X-Unsent: 1\r\n', lambda: msg_message('eom-04-plain-uc-unsent.msg')),
    ('unread draft', 'X-Unsent: 1\r\nStatus: O\r\n',
     lambda: pst_message('pstreader-aranetic_process-pst_unsent_email.pst', 'Drafts', 'This email was never sent')),
    ('unread', 'Status: O\r\n',
     lambda: pst_message('pstreader-aranetic_process-pst_flags_jane_doe.pst', 'Inbox', 'Unread email (do not open)')),
    ('flagged', 'Status: RO\r\nX-Status: F\r\n',
     lambda: pst_message('pstreader-aranetic_process-pst_flags_jane_doe.pst', 'Inbox', 'Needs response')),
    ('replied', 'X-Mozilla-Status: 0007\r\n',
     lambda: pst_message('pstreader-aranetic_process-pst_flags_jane_doe.pst', 'Inbox',
                         'Needed a response, and has one')),
    ('forwarded', 'X-Mozilla-Status: 1001\r\n', lambda: msg_message('poi-06-attachment-msg-inlineimg.msg')),
]


def same(how, theirs, ours):
    if how in ('flags', 'unmodified'):
        mask = MF_READ | MF_UNSENT if how == 'flags' else MF_UNMODIFIED
        return theirs is not None and ours is not None and (theirs & mask) == (ours & mask)
    if how == 'presence':
        return (theirs is None) == (ours is None)
    if how == 'icon':
        # Outlook leaves the index out of a received mail it draws by class;
        # we write "pick by class" (-1) for it, which reads the same.
        return (ICON_FROM_CLASS if theirs is None else theirs) == (ICON_FROM_CLASS if ours is None else ours)
    return theirs == ours


def convert(eml2msg, work, mails):
    """Writes each (stem, text) as an .eml and converts them all; stem -> our properties."""
    paths = []
    for stem, text in mails:
        path = os.path.join(work, stem + '.eml')
        with open(path, 'wb') as f:
            f.write(text.encode('utf-8'))
        paths.append(path)
    out = os.path.join(work, 'out')
    os.makedirs(out, exist_ok=True)
    run = subprocess.run([eml2msg, '-d', out, *paths], check=False)
    if run.returncode != 0:
        raise RuntimeError(f'eml2msg exited with {run.returncode}')
    converted = {}
    for stem, _ in mails:
        message = msg_property_reader.read_msg(os.path.join(out, stem + '.msg'))
        converted[stem] = {key: value for key, (_, value) in message.props.items()}
    return converted


def compare_with_outlook(eml2msg, work):
    failures = 0
    references = []
    for name, fields, read in REFERENCES:
        try:
            references.append((name, fields, read()))
        except (ImportError, OSError, LookupError) as e:
            print(f'SKIP reference {name}: {e}')
    if not references:
        return None
    categories = pst_message('pstreader-farnulfo_pst-exp_sample1.pst', 'Sample1', 'Here is a sample message')
    names = ', '.join(categories[KEYWORDS])
    references.append(('categories', f'Keywords: {names}\r\n', {KEYWORDS: categories[KEYWORDS]}))
    mails = [(f'ref-{n}', fields + HEADER.format(subject=name, stem=f'ref-{n}') + '\r\nBody\r\n')
             for n, (name, fields, _) in enumerate(references)]
    ours_by_stem = convert(eml2msg, work, mails)
    for n, (name, fields, theirs) in enumerate(references):
        ours = ours_by_stem[f'ref-{n}']
        print(f'== {name}: {fields.strip()!r}')
        for key, label, how in STATE_PROPERTIES:
            if name == 'categories' and key != KEYWORDS:
                continue
            mine, outlook = ours.get(key), theirs.get(key)
            if same(how, outlook, mine):
                verdict = 'same'
            elif (name, label) in EXPECTED:
                verdict = 'known: ' + EXPECTED[(name, label)]
            else:
                verdict = 'DIFFERS'
                failures += 1
            print(f'  {label:<40} outlook {outlook!s:<20} ours {mine!s:<20} {verdict}')
    return failures


# Header fields -> what our file must hold: flag bits, verb, icon, flag
# status, categories (None: left out).
READ_BACK = [
    ('', MF_READ | MF_UNMODIFIED, None, -1, None, None),
    ('X-Unsent: 1\r\n', MF_READ | MF_UNSENT, None, -1, None, None),
    ('X-Status: T\r\n', MF_READ | MF_UNSENT, None, -1, None, None),
    ('X-Gmail-Labels: Drafts,Unread\r\n', MF_UNSENT, None, -1, None, None),
    ('Status: O\r\n', MF_UNMODIFIED, None, -1, None, None),
    ('X-Mozilla-Status: 0000\r\nStatus: RO\r\n', MF_UNMODIFIED, None, -1, None, None),
    ('X-Mozilla-Status: 0003\r\n', MF_READ, 102, 0x105, None, None),
    ('X-Mozilla-Status: 1001\r\n', MF_READ, 104, 0x106, None, None),
    ('X-Mozilla-Status: 0005\r\n', MF_READ, None, -1, 2, None),
    ('X-Status: AF\r\n', MF_READ, 102, 0x105, 2, None),
    ('X-Status: RF\r\nX-KMail-Link-Type: \r\n', MF_READ, 104, 0x106, None, None),
    ('X-Keywords: $Forwarded work\r\n', MF_READ, 104, 0x106, None, ['work']),
    ('X-Gmail-Labels: Inbox,Starred,Important,"Trips, 2024"\r\n', MF_READ, None, -1, 2,
     ['Important', 'Trips, 2024']),
    ('X-Mozilla-Keys: $label1 $label4 projet\r\nKeywords: =?UTF-8?Q?R=C3=A9union?=, PROJET\r\n',
     MF_READ, None, -1, None, ['Important', 'To Do', 'projet', 'Réunion']),
]


def read_back(eml2msg, work):
    failures = 0
    mails = [(f'state-{n}', row[0] + HEADER.format(subject=f'state {n}', stem=f'state-{n}') + '\r\nBody\r\n')
             for n, row in enumerate(READ_BACK)]
    ours_by_stem = convert(eml2msg, work, mails)
    print('== read back with olefile')
    for n, (fields, flags, verb, icon, flag_status, categories) in enumerate(READ_BACK):
        ours = ours_by_stem[f'state-{n}']
        got = (ours.get(0x0E07, 0) & (MF_READ | MF_UNMODIFIED | MF_UNSENT), ours.get(0x1081), ours.get(0x1080),
               ours.get(0x1090), ours.get(KEYWORDS))
        wanted = (flags, verb, icon, flag_status, categories)
        verdict = 'same' if got == wanted else f'DIFFERS, wanted {wanted}'
        failures += got != wanted
        print(f'  {fields.strip()!r:<76} {got} {verdict}')
    return failures


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if not os.path.isdir(os.path.join(corpus_dir(), 'pst')):
        print(f'SKIP: no corpus at {corpus_dir()}')
        return 77
    with tempfile.TemporaryDirectory(prefix='mailvane-state-') as work:
        compared = compare_with_outlook(sys.argv[1], work)
        if compared is None:
            print('SKIP: no reference could be read')
            return 77
        failures = compared + read_back(sys.argv[1], work)
    print(f'{failures} difference(s) not explained')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
