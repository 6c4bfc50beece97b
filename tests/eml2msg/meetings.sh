#!/usr/bin/env bash
# eml2msg on an invitation to a weekly series with changed instances, the
# calendar tests/data/calendar/request-weekly-moved-retitled-cancelled.ics:
# one moved, one retitled and relocated, one cancelled, one taken out by an
# EXDATE, the last moved past the series' end with a text and attendees of
# its own, and one of no instance. The message file, read with olefile (a
# reader we did not write), holds one hidden exception attachment per
# changed instance, each with its exception message in its storage; the
# report names the instance left out. The store of --pst passes the checker,
# and readpst and pypff, where installed, read the same attachments in it.
# Usage: meetings.sh EML2MSG-COMMAND...
source "$(dirname "$0")/cli_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
oracle=$here/../oracle
python=${MAILVANE_PYTHON:-/usr/bin/python3}
if ! "$python" -c 'import olefile' 2>/dev/null; then
  echo "SKIP: no olefile"
  exit 77
fi
shown() { sed 's/^/  | /' "$1"; }
export SOURCE_DATE_EPOCH=1700000000

mkdir "$WORK/in" "$WORK/out"
{
  printf 'From: Ann Organizer <ann@example.org>\r\nTo: bob@example.org\r\nSubject: Planning\r\n'
  printf 'Date: Mon, 04 Mar 2024 09:00:00 +0000\r\nMessage-ID: <planning@example.org>\r\nMIME-Version: 1.0\r\n'
  printf 'Content-Type: text/calendar; charset=utf-8; method=REQUEST\r\n\r\n'
  cat "$here/../data/calendar/request-weekly-moved-retitled-cancelled.ics"
} >"$WORK/in/planning.eml"

expect 0 "the invitation as a message file" "${EML2MSG[@]}" -d "$WORK/out" --report "$WORK/report.json" \
  "$WORK/in/planning.eml"
shown "$WORK/stderr"
check "its message file" [ -f "$WORK/out/planning.msg" ]
check "the report names the instance the series does not have" grep -q 'UnplacedInstance' "$WORK/report.json"

# The storages as olefile lists them, and every property through the
# oracle's reader of message files. Times are FILETIME ticks; the series is
# in W. Europe time, UTC+1 until 3/31/2024 and UTC+2 from then.
PYTHONPATH=$oracle "$python" - "$WORK/out/planning.msg" >"$WORK/msg.log" 2>&1 <<'PY'
import calendar, sys
import olefile
import msg_property_reader

APPOINTMENT = '00062002-0000-0000-C000-000000000046'
path = sys.argv[1]
problems = []


def want(what, got, expected):
    if got != expected:
        problems.append(f'{what}: {got!r}, want {expected!r}')


def ticks(y, mo, d, h, mi):
    return (calendar.timegm((y, mo, d, h, mi, 0)) + 11644473600) * 10000000


with olefile.OleFileIO(path) as ole:
    storages = {'/'.join(entry) for entry in ole.listdir(streams=False, storages=True)}
    attached = sorted(s for s in storages if s.startswith('__attach_version1.0_#') and '/' not in s)
    want('attachment storages', attached, [f'__attach_version1.0_#{i:08X}' for i in range(3)])
    for name in attached:
        want(f'{name}: the storage of its message', f'{name}/__substg1.0_3701000D' in storages, True)
        want(f'{name}: the message\'s properties', ole.exists(f'{name}/__substg1.0_3701000D/__properties_version1.0'), True)

message = msg_property_reader.read_msg(path)
want('class', message.value(0x001A), 'IPM.Schedule.Meeting.Request')
want('PidLidFExceptionalAttendees', message.value((APPOINTMENT, 0x822B)), True)
want('a recurrence', isinstance(message.value((APPOINTMENT, 0x8216)), bytes), True)
# (wall-clock start, end, UTC start, end, replaced, subject, location, body, recipients)
expected = [
    (ticks(2024, 3, 14, 15, 0), ticks(2024, 3, 14, 16, 0), ticks(2024, 3, 14, 14, 0), ticks(2024, 3, 14, 15, 0),
     ticks(2024, 3, 13, 9, 0), 'Planning', 'Room A', None, 3),
    (ticks(2024, 3, 27, 10, 0), ticks(2024, 3, 27, 11, 0), ticks(2024, 3, 27, 9, 0), ticks(2024, 3, 27, 10, 0),
     ticks(2024, 3, 27, 9, 0), 'Planning (quarter review)', 'Room B', None, 3),
    (ticks(2024, 4, 12, 9, 0), ticks(2024, 4, 12, 9, 30), ticks(2024, 4, 12, 7, 0), ticks(2024, 4, 12, 7, 30),
     ticks(2024, 4, 10, 8, 0), 'Planning', 'Room A', 'The last one, moved to Friday.', 2),
]
want('attachments', len(message.attachments), len(expected))
for i, (attachment, w) in enumerate(zip(message.attachments, expected)):
    wall_start, wall_end, start, end, replaced, subject, location, body, recipients = w
    at = f'attachment {i}'
    want(f'{at}: PidTagAttachMethod', attachment.value(0x3705), 5)
    want(f'{at}: PidTagAttachmentHidden', attachment.value(0x7FFE), True)
    want(f'{at}: PidTagAttachmentFlags', attachment.value(0x7FFD), 2)
    want(f'{at}: PidTagExceptionStartTime', attachment.value(0x7FFB), wall_start)
    want(f'{at}: PidTagExceptionEndTime', attachment.value(0x7FFC), wall_end)
    want(f'{at}: PidTagExceptionReplaceTime', attachment.value(0x7FF9), replaced)
    want(f'{at}: PidTagDisplayName', attachment.value(0x3001), subject)
    inner = attachment.embedded
    if inner is None:
        problems.append(f'{at}: no message in it')
        continue
    want(f'{at}: class', inner.value(0x001A), 'IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}')
    want(f'{at}: subject', inner.value(0x0037), subject)
    want(f'{at}: PidLidAppointmentStartWhole', inner.value((APPOINTMENT, 0x820D)), start)
    want(f'{at}: PidLidAppointmentEndWhole', inner.value((APPOINTMENT, 0x820E)), end)
    want(f'{at}: PidTagStartDate', inner.value(0x0060), start)
    want(f'{at}: PidLidExceptionReplaceTime', inner.value((APPOINTMENT, 0x8228)), replaced)
    want(f'{at}: PidLidLocation', inner.value((APPOINTMENT, 0x8208)), location)
    want(f'{at}: PidLidFExceptionalBody', inner.value((APPOINTMENT, 0x8206)), body is not None)
    want(f'{at}: body', inner.value(0x1000), body)
    want(f'{at}: recipients', len(inner.recipients), recipients)
print(f'{len(message.attachments)} exception attachments read; {len(problems)} problems')
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
PY
status=$?
shown "$WORK/msg.log"
check "olefile reads the exceptions as written (exit $status)" [ "$status" -eq 0 ]

# The same invitation into a store.
expect 0 "the invitation into a store" "${EML2MSG[@]}" --pst "$WORK/planning.pst" "$WORK/in/planning.eml"
shown "$WORK/stderr"
store_passes "$WORK/planning.pst"
if command -v readpst >/dev/null; then
  # readpst writes the meeting as a mail, each exception message in it as
  # an attached message/rfc822 part (in an order of its own, its first line
  # an mbox From line that Python's parser takes for the body).
  mkdir "$WORK/readpst"
  readpst -j 0 -8 -e -o "$WORK/readpst" "$WORK/planning.pst" >"$WORK/readpst.out" 2>"$WORK/readpst.err"
  status=$?
  shown "$WORK/readpst.err"
  check "readpst reads the store (exit $status)" [ "$status" -eq 0 ]
  "$python" - "$WORK/readpst" >"$WORK/readpst.log" 2>&1 <<'PY'
import pathlib, sys
mails = sorted(pathlib.Path(sys.argv[1]).rglob('*.eml'))
if len(mails) != 1:
    sys.exit(f'{len(mails)} mails, want 1')
seen = []
text = mails[0].read_text('utf-8', 'replace').replace('\r\n', '\n')
for part in text.split('Content-Type: message/rfc822')[1:]:
    header = part.strip('\n').split('\n\n')[0].splitlines()
    fields = dict(line.split(': ', 1) for line in header if ': ' in line)
    seen.append((fields.get('Subject'), fields.get('To')))
want = [('Planning', 'Ann Organizer; Bob'), ('Planning', 'Ann Organizer; Dave'),
        ('Planning (quarter review)', 'Ann Organizer; Bob')]
print('exception messages (subject, to):', sorted(seen))
sys.exit(0 if sorted(seen) == want else f'want {want}')
PY
  status=$?
  shown "$WORK/readpst.log"
  check "readpst finds the three exception messages (exit $status)" [ "$status" -eq 0 ]
fi
if "$python" -c 'import pypff' 2>/dev/null; then
  PYTHONPATH=$oracle "$python" - "$WORK/planning.pst" >"$WORK/pypff.log" 2>&1 <<'PY'
import sys
import pypff
import pst_property_reader

store = pypff.file()
store.open(sys.argv[1])
names = pst_property_reader.name_map(store)


def messages(folder):
    for message in folder.sub_messages:
        yield message
    for sub in folder.sub_folders:
        yield from messages(sub)


found = list(messages(store.get_root_folder()))
if len(found) != 1:
    sys.exit(f'{len(found)} messages, want 1')
meeting = found[0]
problems = []
if meeting.number_of_attachments != 3:
    problems.append(f'{meeting.number_of_attachments} attachments, want 3')
for index in range(meeting.number_of_attachments):
    props = pst_property_reader.properties(meeting.get_attachment(index), names)
    seen = {key: props.get(key, (None, None)) for key in (0x3705, 0x7FFD, 0x7FFE, 0x3701)}
    wanted = {0x3705: (0x0003, 5), 0x7FFD: (0x0003, 2), 0x7FFE: (0x000B, True)}
    for key, value in wanted.items():
        if seen[key] != value:
            problems.append(f'attachment {index}: 0x{key:04X} {seen[key]!r}, want {value!r}')
    if seen[0x3701][0] != 0x000D:
        problems.append(f'attachment {index}: no PidTagAttachDataObject')
print(f'{meeting.number_of_attachments} attachments in the store; {len(problems)} problems')
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
PY
  status=$?
  shown "$WORK/pypff.log"
  check "pypff reads the exception attachments (exit $status)" [ "$status" -eq 0 ]
fi
finish
