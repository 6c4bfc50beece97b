"""Writes the recipients' properties of every .msg a -d run wrote, read with
olefile through msg_property_reader, as JSON for the node oracles:
{OUTPUT: [{"TTTTYYYY": value, ...}, ...]}, the tag in hexadecimal, binary
values as hexadecimal text, numbers and strings as they are. Named
properties are left out: a recipient of ours has none.

usage: msg_recipients_json.py REPORT.json > RECIPIENTS.json
"""
import json
import sys

import msg_property_reader


def main():
    with open(sys.argv[1], encoding='utf-8') as f:
        inputs = [e for e in json.load(f)['inputs'] if e['outcome'] == 'converted']
    out = {}
    for entry in inputs:
        message = msg_property_reader.read_msg(entry['output'])
        out[entry['output']] = [
            {f'{key:04X}{ptype:04X}': value.hex() if isinstance(value, bytes) else value
             for key, (ptype, value) in recipient.props.items() if isinstance(key, int) and value is not None}
            for recipient in message.recipients]
    json.dump(out, sys.stdout)
    return 0


if __name__ == '__main__':
    sys.exit(main())
