#!/usr/bin/python3
"""The properties Outlook itself writes for a mail are in our output too.

Takes every property id that at least half of the corpus's Outlook-saved
IPM.Note files carry and checks that our .msg for a typical message (HTML
with a text alternative, a recipient, an attachment) carries each of them,
save the few listed below that describe a mailbox store or the Outlook
client that saved the file rather than the mail.

Usage: outlook_property_coverage.py EML2MSG"""
import os
import struct
import subprocess
import sys
import tempfile

import olefile

NOT_OF_THE_MAIL = {
    0x0FF4: 'PidTagAccess: the access rights the mailbox store grants the user who opened it',
    0x0FF7: 'PidTagAccessLevel: whether that mailbox user may modify the item (a store permission)',
    0x3FF1: ('PidTagMessageLocaleId: the locale of the Outlook client that saved the file, unless the mail names '
             'its language in Content-Language or its code page writes one language (the typical mail below does '
             'neither)'),
}

TYPICAL = b"""Received: from mx.example.org by mail.example.com; Tue, 14 Nov 2023 22:13:25 +0000\r
From: Ann Lee <ann@example.org>\r
To: Bob <bob@example.com>\r
Cc: carol@example.net\r
Subject: Re: quarterly numbers\r
Date: Tue, 14 Nov 2023 22:13:20 +0000\r
Message-ID: <typical@example.org>\r
MIME-Version: 1.0\r
Content-Type: multipart/mixed; boundary="m"\r
\r
--m\r
Content-Type: multipart/alternative; boundary="a"\r
\r
--a\r
Content-Type: text/plain; charset=utf-8\r
\r
Hello Bob, the numbers are attached.\r
--a\r
Content-Type: text/html; charset=utf-8\r
\r
<p>Hello Bob, the numbers are <b>attached</b>.</p>\r
--a--\r
--m\r
Content-Type: application/pdf; name="numbers.pdf"\r
Content-Disposition: attachment; filename="numbers.pdf"\r
Content-Transfer-Encoding: base64\r
\r
JVBERi0xLjQK\r
--m--\r
"""


def corpus_dir():
    if os.environ.get('MAILVANE_CORPUS'):
        return os.environ['MAILVANE_CORPUS']
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'shared', 'corpus')


def message_class(ole):
    for name, encoding in (('__substg1.0_001A001F', 'utf-16-le'), ('__substg1.0_001A001E', 'latin-1')):
        if ole.exists(name):
            return ole.openstream(name).read().decode(encoding, 'replace').rstrip('\0')
    return ''


def top_level_ids(ole):
    ids = set()
    data = ole.openstream('__properties_version1.0').read()[32:]
    for offset in range(0, len(data) - 15, 16):
        ids.add(struct.unpack_from('<I', data, offset)[0] >> 16)
    for entry in ole.listdir(streams=True, storages=False):
        if len(entry) == 1 and entry[0].startswith('__substg1.0_'):
            ids.add(int(entry[0][12:16], 16))
    return ids


def main():
    msg_dir = os.path.join(corpus_dir(), 'msg')
    if not os.path.isdir(msg_dir):
        print(f'SKIP: no corpus at {corpus_dir()}')
        return 77
    counts = {}
    notes = 0
    for name in sorted(os.listdir(msg_dir)):
        if not name.lower().endswith('.msg'):
            continue
        with olefile.OleFileIO(os.path.join(msg_dir, name)) as ole:
            if not message_class(ole).upper().startswith('IPM.NOTE'):
                continue
            notes += 1
            for pid in top_level_ids(ole):
                if pid < 0x8000:
                    counts[pid] = counts.get(pid, 0) + 1
    common = sorted(pid for pid, n in counts.items() if 2 * n >= notes)
    with tempfile.TemporaryDirectory(prefix='mailvane-coverage-') as folder:
        source = os.path.join(folder, 'typical.eml')
        target = os.path.join(folder, 'typical.msg')
        with open(source, 'wb') as f:
            f.write(TYPICAL)
        subprocess.run([sys.argv[1], source, target], check=True)
        with olefile.OleFileIO(target) as ole:
            ours = top_level_ids(ole)
    missing = [pid for pid in common if pid not in ours and pid not in NOT_OF_THE_MAIL]
    for pid in missing:
        print(f'missing 0x{pid:04X}')
    print(f'{notes} Outlook mails, {len(common)} common properties, {len(common) - len(missing)} passed, {len(missing)} failed')
    return 1 if missing else 0


if __name__ == '__main__':
    sys.exit(main())
