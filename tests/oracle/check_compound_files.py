#!/usr/bin/python3
"""Every .msg eml2msg writes is a valid compound file for olefile, with the
storages and streams a Unicode message file needs.

Usage: check_compound_files.py EML2MSG"""
import os
import re
import struct
import subprocess
import sys
import tempfile

import olefile

ROOT_CLSID = '00020D0B-0000-0000-C000-000000000046'


def corpus_dir():
    if os.environ.get('MAILVANE_CORPUS'):
        return os.environ['MAILVANE_CORPUS']
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', '..', 'shared', 'corpus')


def check(path):
    problems = []
    if not olefile.isOleFile(path):
        return ['not a compound file']
    with olefile.OleFileIO(path) as ole:
        if ole.root.clsid.upper() != ROOT_CLSID:
            problems.append(f'root CLSID {ole.root.clsid}')
        props = ole.openstream('__properties_version1.0').read()
        if len(props) < 32 or (len(props) - 32) % 16:
            problems.append(f'top-level property stream of {len(props)} bytes')
        _, _, recipients, attachments = struct.unpack('<4I', props[8:24])
        names = ['/'.join(e) for e in ole.listdir(streams=True, storages=True)]
        for kind, count in (('__recip_version1.0_#', recipients), ('__attach_version1.0_#', attachments)):
            found = {n.split('/')[0] for n in names if n.startswith(kind)}
            if len(found) != count:
                problems.append(f'{count} {kind} in the header, {len(found)} storages')
        for required in ('__substg1.0_001A001F', '__nameid_version1.0/__substg1.0_00020102',
                         '__nameid_version1.0/__substg1.0_00030102', '__nameid_version1.0/__substg1.0_00040102'):
            if required not in names:
                problems.append(f'no {required}')
        for name in names:
            if ole.get_type(name) == olefile.STGTY_STREAM:
                ole.openstream(name).read()
    return problems


def main():
    eml2msg = sys.argv[1]
    eml = os.path.join(corpus_dir(), 'eml')
    if not os.path.isdir(eml):
        print(f'SKIP: no corpus at {corpus_dir()}')
        return 77
    inputs = sorted(os.path.join(eml, n) for n in os.listdir(eml) if n.lower().endswith('.eml'))
    failures = 0
    with tempfile.TemporaryDirectory(prefix='mailvane-olefile-') as out:
        result = subprocess.run([eml2msg, '-d', out, *inputs], stderr=subprocess.PIPE, text=True)
        if result.returncode != 0:
            print(result.stderr)
            failures += 1
        for source in inputs:
            target = os.path.join(out, re.sub(r'\.eml', '.msg', os.path.basename(source), flags=re.I))
            problems = check(target) if os.path.exists(target) else ['not written']
            if problems:
                failures += 1
                print(f'{os.path.basename(target)}: {"; ".join(problems)}')
    print(f'{len(inputs) - failures} passed, {failures} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
