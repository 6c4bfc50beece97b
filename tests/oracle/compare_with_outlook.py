#!/usr/bin/python3
"""Our .msg beside the one Outlook itself saved for the same mail.

For every received or sent mail (IPM.Note and its signed forms) among the
corpus's Outlook-saved files, the mail is turned into MIME (the
`*.expected.eml` that comes with the file, else msgconvert's output), that
MIME is converted with eml2msg, and both files are read with olefile and
compared property by property: the message, each recipient, each
attachment and each attached message. Every property Outlook wrote has a
rule (outlook_property_rules.py) that says how its value must compare and,
when it differs, why: it belongs to the store or the client that saved the
file, msgconvert lost what it comes from, it is work of another area, or it
is a real gap. The table lists each property with its counts and reasons;
any real gap fails the run.

Usage: compare_with_outlook.py EML2MSG [--verbose]"""
import collections
import email
import email.policy
import os
import shutil
import subprocess
import sys
import tempfile

import msg_property_reader
import outlook_property_rules as rules

HERE = os.path.dirname(os.path.abspath(__file__))
UNSENT = 0x8


def corpus_dir():
    if os.environ.get('MAILVANE_CORPUS'):
        return os.environ['MAILVANE_CORPUS']
    return os.path.join(HERE, '..', '..', '..', 'shared', 'corpus')


class Table:
    """Per property: how often it compared the same, and every difference."""

    def __init__(self):
        self.rows = collections.OrderedDict()
        self.extra = collections.defaultdict(list)

    def add(self, scope, key, status, note, where):
        row = self.rows.setdefault((scope, key), {'counts': collections.Counter(), 'notes': []})
        row['counts'][status] += 1
        if status != rules.SAME:
            row['notes'].append((status, where, note))

    def add_extra(self, scope, key, where):
        self.extra[(scope, key)].append(where)

    def gaps(self):
        return sum(row['counts'][rules.GAP] for row in self.rows.values())

    def print(self, verbose):
        order = sorted(self.rows, key=lambda k: (rules.SCOPES.index(k[0]), rules.sort_key(k[1])))
        for scope, key in order:
            row = self.rows[(scope, key)]
            counts = ', '.join(f'{n} {status}' for status, n in sorted(row['counts'].items()))
            print(f'{scope:<18} {rules.label(key):<58} {counts}')
            reasons = collections.OrderedDict()
            for status, where, note in row['notes']:
                reasons.setdefault((status, note), []).append(where)
            for (status, note), files in reasons.items():
                shown = files if verbose or status == rules.GAP else files[:3]
                more = '' if len(shown) == len(files) else f' and {len(files) - len(shown)} more'
                print(f'    {status}: {note} [{", ".join(shown)}{more}]')
        if self.extra:
            print('\nWritten by us, not by Outlook for these mails (not compared):')
            for scope, key in sorted(self.extra, key=lambda k: (rules.SCOPES.index(k[0]), rules.sort_key(k[1]))):
                print(f'{scope:<18} {rules.label(key):<58} {len(self.extra[(scope, key)])} objects')


class Mail:
    """What one comparison knows about its mail: the MIME it was made from."""

    def __init__(self, raw):
        self.raw = raw
        self.mime = email.message_from_bytes(raw, policy=email.policy.compat32)

    def header(self, name):
        value = self.mime.get(name)
        return None if value is None else str(value)

    def attached(self, subject):
        """The attached mail (message/rfc822 part) with this subject."""
        for part in self.mime.walk():
            if part.get_content_type() == 'message/rfc822' and part.is_multipart():
                inner = part.get_payload(0)
                if str(inner.get('Subject', '')).strip() == subject.strip():
                    return Mail(inner.as_bytes())
        return self


def pair_recipients(theirs, ours):
    """Pairs recipient rows by type and address, then by order."""
    def key(r):
        address = r.value(0x39FE) or r.value(0x3003) or r.value(0x3001) or ''
        return (r.value(0x0C15), address.lower())

    left = list(ours)
    pairs = []
    for r in theirs:
        match = next((o for o in left if key(o) == key(r)), None)
        if match is None:
            match = next((o for o in left if o.value(0x0C15) == r.value(0x0C15)), None)
        if match is not None:
            left.remove(match)
        pairs.append((r, match))
    return pairs, left


def attachment_key(a):
    if a.embedded is not None:
        return ('message', a.embedded.value(0x0037, ''))
    return ('data', a.value(0x3701))


def pair_attachments(theirs, ours):
    """Pairs attachments by content (by subject for attached mails), then by order."""
    left = list(ours)
    pairs = []
    for a in theirs:
        match = next((o for o in left if attachment_key(o) == attachment_key(a)), None)
        if match is None:
            name = (a.value(0x3707) or a.value(0x3704) or '').lower()
            match = next((o for o in left if name and (o.value(0x3707) or '').lower() == name), None)
        if match is not None:
            left.remove(match)
        pairs.append((a, match))
    return pairs, left


def compare_object(table, scope, mail, theirs, ours, where):
    for key, value in theirs.props.items():
        status, note = rules.compare(scope, key, mail, theirs, ours, value, ours.props.get(key))
        table.add(scope, key, status, note, where)
    for key in ours.props:
        if key not in theirs.props:
            table.add_extra(scope, key, where)
    if scope in ('message', 'attached message'):
        inner = 'recipient' if scope == 'message' else 'attached recipient'
        pairs, unpaired = pair_recipients(theirs.recipients, ours.recipients)
        for n, (r, o) in enumerate(pairs):
            if o is None:
                status, note = rules.missing_recipient(mail, theirs, r)
                table.add(inner, rules.ROW, status, note, f'{where}#{n}')
            else:
                compare_object(table, inner, mail, r, o, f'{where}#{n}')
        for o in unpaired:
            status, note = rules.extra_recipient(mail, theirs, o)
            table.add(inner, rules.EXTRA_ROW, status, note, where)
        inner = 'attachment' if scope == 'message' else 'attached attachment'
        pairs, unpaired = pair_attachments(theirs.attachments, ours.attachments)
        for n, (a, o) in enumerate(pairs):
            if o is None:
                status, note = rules.missing_attachment(mail, theirs, a)
                table.add(inner, rules.ROW, status, note, f'{where}@{n}')
                continue
            compare_object(table, inner, mail, a, o, f'{where}@{n}')
            if a.embedded is not None and o.embedded is not None:
                attached = mail.attached(a.embedded.value(0x0037, ''))
                compare_object(table, 'attached message', attached, a.embedded, o.embedded, f'{where}@{n}')
        for o in unpaired:
            status, note = rules.extra_attachment(mail, theirs, o)
            table.add(inner, rules.EXTRA_ROW, status, note, where)


def source_for(msg_path, work):
    """The MIME form of an Outlook file: its expected.eml, else msgconvert's."""
    stem = os.path.basename(msg_path)[:-4]
    target = os.path.join(work, stem + '.eml')
    expected = msg_path[:-4] + '.expected.eml'
    if os.path.exists(expected):
        shutil.copyfile(expected, target)
        return target
    folder = tempfile.mkdtemp(dir=work)
    shutil.copyfile(msg_path, os.path.join(folder, stem + '.msg'))
    subprocess.run(['msgconvert', stem + '.msg'], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=False)
    made = os.path.join(folder, stem + '.eml')
    if not os.path.exists(made):
        return None
    shutil.move(made, target)
    return target


def select(msg_dir, listing):
    """The Outlook files to compare, and why each other file is left out."""
    chosen = []
    for name in sorted(os.listdir(msg_dir)):
        if not name.lower().endswith('.msg'):
            continue
        path = os.path.join(msg_dir, name)
        try:
            message_class, flags = msg_property_reader.message_class_and_flags(path)
        except Exception as e:  # a damaged file: olefile's own message says what
            listing.append((name, f'not readable: {e}'))
            continue
        if message_class.upper().startswith('IPM.SCHEDULE.'):
            listing.append((name, rules.MEETING))
        elif message_class not in rules.MAIL_CLASSES:
            listing.append((name, f'{message_class or "no class"}: not a mail received or sent as MIME'))
        elif flags & UNSENT:
            listing.append((name, 'a draft (mfUnsent): neither received nor sent'))
        else:
            chosen.append(path)
    return chosen


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    eml2msg = sys.argv[1]
    verbose = '--verbose' in sys.argv
    msg_dir = os.path.join(corpus_dir(), 'msg')
    if not os.path.isdir(msg_dir):
        print(f'SKIP: no corpus at {corpus_dir()}')
        return 77
    if shutil.which('msgconvert') is None:
        print('SKIP: msgconvert is not installed')
        return 77
    left_out = []
    chosen = select(msg_dir, left_out)
    table = Table()
    with tempfile.TemporaryDirectory(prefix='mailvane-outlook-') as work:
        sources = {}
        for path in chosen:
            source = source_for(path, work)
            if source is None:
                left_out.append((os.path.basename(path), 'msgconvert could not read it'))
            else:
                sources[path] = source
        out = os.path.join(work, 'out')
        os.mkdir(out)
        run = subprocess.run([eml2msg, '-d', out, *sources.values()], stderr=subprocess.PIPE, check=False)
        if run.returncode != 0:
            print(f'eml2msg exited with {run.returncode}:\n{run.stderr.decode("utf-8", "replace")}')
        for path, source in sources.items():
            name = os.path.basename(path)
            ours_path = os.path.join(out, os.path.basename(source)[:-4] + '.msg')
            if not os.path.exists(ours_path):
                table.add('message', rules.ROW, rules.GAP, 'eml2msg wrote no file', name[:-4])
                continue
            with open(source, 'rb') as f:
                mail = Mail(f.read())
            theirs = msg_property_reader.read_msg(path)
            ours = msg_property_reader.read_msg(ours_path)
            compare_object(table, 'message', mail, theirs, ours, name[:-4])
    for name, reason in left_out:
        print(f'left out {name}: {reason}')
    print()
    table.print(verbose)
    gaps = table.gaps()
    print(f'\n{len(sources)} Outlook mails compared, {len(table.rows)} properties, {gaps} real gaps')
    if not sources:
        print('no Outlook mail could be compared')
        return 1
    return 1 if gaps else 0


if __name__ == '__main__':
    sys.exit(main())
