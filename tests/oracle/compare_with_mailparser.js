'use strict';
// Fidelity oracle: for every message of the corpus, what msgreader reads
// from our .msg is compared field by field with what mailparser parses from
// the source .eml. Usage: node compare_with_mailparser.js EML2MSG [--verbose]
const fs = require('fs');
const crypto = require('crypto');
const { simpleParser } = require('mailparser');
const iconv = require('iconv-lite');
const common = require('./oracle_common');

const eml2msg = process.argv[2];
const verbose = process.argv.includes('--verbose');
if (!eml2msg) {
  console.error('usage: compare_with_mailparser.js EML2MSG [--verbose]');
  process.exit(2);
}
const corpus = common.corpusDir();
if (!fs.existsSync(`${corpus}/eml`)) {
  console.log(`SKIP: no corpus at ${corpus}`);
  process.exit(77);
}

// Messages where mailparser, not our output, departs from the standards.
const { ORACLE_DISAGREEMENTS } = require('./mailparser_disagreements');

// Faults of ours that this oracle found and that are not fixed yet. They
// are counted apart and printed on every run; a message listed here that
// compares clean fails the run, so the list only ever shrinks.
const KNOWN_FAULTS = {
};

// Meeting messages. An invitation's text/calendar part (one that is no
// attachment by its Content-Disposition) becomes the meeting object itself,
// as [MS-OXCICAL] 2.1.3 imports it and as [MS-OXCMAIL] 2.1.3.3.8 writes a
// meeting message (the calendar is an alternative of the body, not a file):
// its bytes are kept in PidLidInboundICalStream ([MS-OXCICAL] 2.1.3.4.1), its
// ORGANIZER and ATTENDEEs are the recipient table ([MS-OXCICAL]
// 2.1.3.1.1.20.2 and 2.1.3.1.1.20.16; a reply, or a calendar naming no
// attendee, keeps the mail's own), and its
// SUMMARY is the subject of a mail that has none ([MS-OXCICAL]
// 2.1.3.1.1.20.24). mailparser lists that part as an attachment and reads
// recipients from the header only. For those classes the part is compared
// with our PidLidInboundICalStream instead of an attachment, and the
// recipients and a missing subject with what the calendar itself says.
const MEETING_CLASS = /^IPM\.(Schedule\.Meeting\.|Appointment$)/;
const PSETID_APPOINTMENT = '00062002-0000-0000-c000-000000000046';
const PID_LID_INBOUND_ICAL_STREAM = 0x827a;

function consumedCalendar(source) {
  return (source.attachments || []).find((a) => {
    const disposition = a.headers && a.headers.get('content-disposition');
    return /^text\/calendar$/i.test(a.contentType) && !(disposition && /^attachment$/i.test(disposition.value));
  });
}

// The unfolded content lines of the first VEVENT, name and value split at
// the first colon outside quotes.
function eventLines(calendarText) {
  const lines = calendarText.replace(/\r\n?/g, '\n').replace(/\n[ \t]/g, '').split('\n');
  const start = lines.findIndex((l) => /^BEGIN:VEVENT$/i.test(l.trim()));
  const out = [];
  for (let i = start + 1; start >= 0 && i < lines.length && !/^END:VEVENT$/i.test(lines[i].trim()); i += 1) {
    let quoted = false;
    let colon = -1;
    for (let k = 0; k < lines[i].length && colon < 0; k += 1) {
      if (lines[i][k] === '"') quoted = !quoted;
      else if (lines[i][k] === ':' && !quoted) colon = k;
    }
    if (colon > 0) out.push({ head: lines[i].slice(0, colon).toUpperCase(), value: lines[i].slice(colon + 1) });
  }
  return out;
}

// Recipient addresses by type, the organizer first, each address once, and
// how many attendees the calendar names (with none, the mail's own
// recipients stay).
function calendarRecipients(lines) {
  const byType = { to: [], cc: [], bcc: [], attendees: lines.filter((l) => /^ATTENDEE[;:]?/.test(l.head)).length };
  const seen = new Set();
  const people = lines.filter((l) => /^ORGANIZER[;:]?/.test(l.head)).concat(lines.filter((l) => /^ATTENDEE[;:]?/.test(l.head)));
  for (const line of people) {
    const match = /^mailto:\s*(.+)$/i.exec(line.value.trim());
    if (!match || seen.has(match[1].toLowerCase())) continue;
    seen.add(match[1].toLowerCase());
    const organizer = line.head.startsWith('ORGANIZER');
    let type = 'to';
    if (!organizer && /;CUTYPE=(RESOURCE|ROOM)/.test(line.head)) type = 'bcc';
    else if (!organizer && /;ROLE=(OPT|NON)-PARTICIPANT/.test(line.head)) type = 'cc';
    byType[type].push(match[1]);
  }
  return byType;
}

function calendarSummary(lines) {
  const summary = lines.find((l) => /^SUMMARY[;:]?/.test(l.head));
  return summary ? summary.value.replace(/\\([,;\\])/g, '$1').replace(/\\[nN]/g, '') : undefined;
}

const sha256 = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');
const unixLines = (s) => (s || '').replace(/\r\n?/g, '\n');
// Line ends and trailing blanks are presentation, not content.
const normalizeText = (s) => unixLines(s).split('\n').map((l) => l.replace(/[ \t]+$/, '')).join('\n').trim();
const startedAt = Date.now();
const collapse = (s) => (s || '').replace(/\s+/g, ' ').trim();

function decodeHtml(data) {
  if (data.html) {
    const codePage = data.internetCodepage || 65001;
    const name = codePage === 65001 ? 'utf8' : `cp${codePage}`;
    const label = iconv.encodingExists(name) ? name : (codePage === 28591 ? 'latin1' : 'utf8');
    return iconv.decode(Buffer.from(data.html), label);
  }
  return data.bodyHtml || '';
}

function addresses(list) {
  const out = [];
  const walk = (entries) => {
    for (const e of entries || []) {
      if (e.group) walk(e.group);
      else if (e.address) out.push(e.address);
    }
  };
  for (const a of [].concat(list || [])) walk(a.value);
  return out;
}

async function compareOne(emlPath, msgPath, tally) {
  const problems = [];
  const excused = ORACLE_DISAGREEMENTS[emlPath.replace(/^.*\//, '')] || [];
  const compare = (field, ours, theirs) => {
    if (excused.includes(field)) return;
    tally.fields += 1;
    const same = typeof ours === 'string' && typeof theirs === 'string' ? sameText(ours, theirs) : ours === theirs;
    if (!same) problems.push(`${field}: ours ${JSON.stringify(ours).slice(0, 160)} vs source ${JSON.stringify(theirs).slice(0, 160)}`);
  };
  const raw = fs.readFileSync(emlPath);
  const source = await simpleParser(raw, { skipTextToHtml: true, skipImageLinks: true });
  const { reader, data } = common.readMsg(msgPath);
  const signed = (data.messageClass || '').startsWith('IPM.Note.SMIME');
  const meeting = MEETING_CLASS.test(data.messageClass || '') ? consumedCalendar(source) : undefined;
  const meetingLines = meeting ? eventLines(meeting.content.toString('utf8')) : [];
  if (MEETING_CLASS.test(data.messageClass || '')) {
    compare('meeting calendar part found', Boolean(meeting), true);
    const kept = common.namedProperty(data, PSETID_APPOINTMENT, PID_LID_INBOUND_ICAL_STREAM);
    if (meeting) compare('meeting calendar kept whole', kept ? sha256(Buffer.from(kept)) : '', sha256(meeting.content));
  }

  // Unfolding removes only the line breaks (RFC 5322 2.2.3): the blanks of
  // a folded subject stay, where mailparser collapses each run to one blank.
  // Where mailparser met bytes that are not UTF-8 it gives U+FFFD, where we
  // read them as windows-1252 ("\xA37,000" is "£7,000", not "?7,000"):
  // its U+FFFD matches any one character of ours.
  tally.fields += 1;
  const sourceSubject = source.subject === undefined && meeting ? calendarSummary(meetingLines) : source.subject;
  if (!sameText(collapse(data.subject), collapse(sourceSubject))) {
    problems.push(`subject: ours ${JSON.stringify(data.subject)} vs source ${JSON.stringify(sourceSubject)}`);
  }

  const from = source.from && source.from.value && source.from.value[0];
  if (from && from.address) {
    // From maps to the SentRepresenting group (Sender to the Sender group).
    // msgreader reads the address of that group but names only the Sender
    // group, which holds the From mailbox when there is no Sender field.
    compare('from address', data.sentRepresentingSmtpAddress || '', from.address);
    if (!source.headers.has('sender')) compare('from name', data.senderName || '', from.name || from.address);
  }

  const recipients = data.recipients || [];
  // A lone word ("To: you") is a recipient name without an address on both sides.
  const ours = (type) => recipients.filter((r) => r.recipType === type).map((r) => r.smtpAddress || r.email || '').filter(Boolean);
  const invited = meeting && !/^IPM\.Schedule\.Meeting\.Resp\./.test(data.messageClass) ? calendarRecipients(meetingLines) : undefined;
  if (invited && invited.attendees > 0) {
    compare('to', ours('to').join(', '), invited.to.join(', '));
    compare('cc', ours('cc').join(', '), invited.cc.join(', '));
    compare('bcc', ours('bcc').join(', '), invited.bcc.join(', '));
  } else {
    compare('to', ours('to').join(', '), addresses(source.to).join(', '));
    compare('cc', ours('cc').join(', '), addresses(source.cc).join(', '));
  }

  // For a missing or unreadable Date both sides use the time of reading.
  // A draft was never submitted: its date is the one it was saved with.
  const draft = (data.messageFlags & common.MF_UNSENT) !== 0;
  const submitted = new Date(draft ? data.messageDeliveryTime : data.clientSubmitTime).getTime();
  let sourceDate = source.date && !Number.isNaN(source.date.getTime()) ? source.date.getTime() : Date.now();
  if (Math.abs(sourceDate - startedAt) < 15 * 60 * 1000) sourceDate = firstDateOf(source) || sourceDate;
  if (Math.abs(sourceDate - startedAt) < 15 * 60 * 1000) {
    compare('date is the time of conversion', Math.abs(submitted - startedAt) < 15 * 60 * 1000, true);
  } else {
    compare('date', submitted, sourceDate);
  }

  if (!signed) {
    // Text derived from HTML is laid out by each reader's own rules; only a
    // text part of the source gives a text to compare exactly.
    // An attached mail (message/rfc822) is an embedded message for us, as
    // MIME readers map it; mailparser instead writes an inline one into the
    // text (its getTextContent "showMeta": From/Subject/Date/To lines, then
    // the inner body) and lists it as no attachment. With embedded messages
    // our text must be where its text starts.
    const embedded = (data.attachments || []).some((a) => a.innerMsgContent);
    if (source.text !== undefined && !(source.html && !hasTextPart(raw.toString('latin1')))) {
      const ours = normalizeText(data.body);
      // mailparser leaves uuencoded blocks in the text; we make them attachments.
      const theirs = normalizeText(withoutUuencode(source.text));
      if (embedded) compare('text starts the same', theirs.startsWith(ours) || sameText(ours, theirs), true);
      else compare('text', ours, theirs);
    }
    if (source.html) {
      const ours = decodeHtml(data);
      // An aggregate body (several inline parts of a multipart/mixed) is
      // joined by each side in its own way: both join the parts with
      // "<br/>\n", but for a text part we write the text as HTML where
      // mailparser (told to skip its text-to-HTML step) writes nothing.
      // Every HTML part it found must be in ours, in order.
      if (ours.includes(AGGREGATE_JOINER) || source.html.includes(AGGREGATE_JOINER)) {
        const pieces = source.html.split(AGGREGATE_JOINER).map(collapse).filter(Boolean);
        let at = 0;
        const whole = collapse(ours);
        const inOrder = pieces.every((piece) => {
          const found = whole.indexOf(piece, at);
          at = found + piece.length;
          return found >= 0;
        });
        compare('html parts in order', inOrder, true);
      } else {
        compare('html', collapse(ours), collapse(source.html));
      }
    }
    compareAttachments(reader, data, source, compare, meeting);
  }
  tally.messages += 1;
  const name = emlPath.replace(/^.*\//, '');
  if (KNOWN_FAULTS[name]) {
    if (problems.length) tally.known.push({ file: emlPath, problems: [`known fault: ${KNOWN_FAULTS[name]}`, ...problems] });
    else tally.failures.push({ file: emlPath, problems: ['listed as a known fault but compares clean: take it off the list'] });
  } else if (problems.length) {
    tally.mismatches += problems.length;
    tally.failures.push({ file: emlPath, problems });
  }
}

// A Date field that holds its date twice or more ("Mon, 26 Feb 2001
// 18:38:07 -0800 (PST) Mon, 26 Feb 2001 18:38:07 -0600", as an Exchange
// export wrote them): mailparser gives up and takes the time of reading,
// while the field starts with a complete RFC 5322 date, the one we take.
// JavaScript reads that date by itself. Undefined when there is none.
function firstDateOf(source) {
  const field = (source.headerLines || []).find((l) => l.key === 'date');
  const date = field && /^date:\s*((?:[a-z]{3},\s*)?\d{1,2}\s+[a-z]{3}\s+\d{2,4}\s+\d{1,2}:\d{2}(?::\d{2})?\s*[+-]\d{4})/i.exec(field.line);
  const time = date ? Date.parse(date[1]) : NaN;
  return Number.isNaN(time) ? undefined : time;
}

// Whether the source holds a text/plain part (or is plain text by default).
function hasTextPart(raw) {
  return /^content-type:[ \t]*text\/plain/im.test(raw) || !/^content-type:/im.test(raw);
}

function sameText(ours, theirs) {
  ours = ours || '';
  theirs = theirs || '';
  if (!theirs.includes('\uFFFD')) return ours === theirs;
  const pattern = theirs.split('\uFFFD').map((p) => p.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')).join('.{1,2}');
  return new RegExp(`^${pattern}$`, 's').test(ours);
}

const AGGREGATE_JOINER = '<br/>\n';

// Bytes that are not text in the declared charset: mailparser substitutes
// U+FFFD, our charset decoder falls back to strict UTF-8 then windows-1252
// and keeps a character for every byte, so the two texts differ in length.
const UUENCODED = /^begin [0-7]{3,4} .+\r?\n[\s\S]*?^end[ \t]*$\r?\n?/gm;

function withoutUuencode(text) {
  return (text || '').replace(UUENCODED, '');
}

function compareAttachments(reader, data, source, compare, meetingPart) {
  // Attached mails are compared apart (see the text rule above): embedded
  // messages on our side, message/* attachments on mailparser's. The
  // calendar part of a meeting is compared above.
  const ourAttachments = (data.attachments || []).filter((a) => !a.innerMsgContent);
  const theirs = (source.attachments || []).filter((a) => !/^message\/(rfc822|global)$/i.test(a.contentType) && a !== meetingPart);
  const uuencoded = ((source.text || '').match(UUENCODED) || []).length;
  compare('attachment count', ourAttachments.length, theirs.length + uuencoded);
  const n = Math.min(ourAttachments.length, theirs.length);
  const seen = new Map();
  for (let i = 0; i < n; i += 1) {
    const mine = ourAttachments[i];
    const other = theirs[i];
    if (mine.innerMsgContent) {
      compare(`attachment ${i} kind`, 'message', other.contentType.startsWith('message/') ? 'message' : other.contentType);
      continue;
    }
    const content = Buffer.from(reader.getAttachment(mine).content);
    compare(`attachment ${i} size`, content.length, other.size);
    compare(`attachment ${i} sha256`, sha256(content), sha256(other.content));
    if (other.filename) {
      // We make repeated names unique ("a.gif", "a (2).gif"); mailparser keeps them.
      let expected = sanitizeLikeUs(other.filename);
      const key = expected.toUpperCase();
      const times = (seen.get(key) || 0) + 1;
      seen.set(key, times);
      if (times > 1) {
        const dot = expected.lastIndexOf('.');
        expected = dot > 0 ? `${expected.slice(0, dot)} (${times})${expected.slice(dot)}` : `${expected} (${times})`;
      }
      compare(`attachment ${i} name`, mine.fileName || '', expected);
    }
  }
}

// Our names are made safe to save on Windows; compare the source's name
// after the same rule, not the raw header text.
function sanitizeLikeUs(name) {
  let s = name.replace(/^.*[\\/]/, '').replace(/[\x00-\x1f\x7f<>:"/\\|?*]/g, '_');
  s = s.replace(/^ +/, '').replace(/[. ]+$/, '');
  return s;
}

async function main() {
  const inputs = common.emlFiles(`${corpus}/eml`);
  const outDir = common.convertAll(eml2msg, inputs);
  const tally = { messages: 0, fields: 0, mismatches: 0, failures: [], known: [] };
  let crashes = 0;
  try {
    for (const input of inputs) {
      const output = common.outputFor(outDir, input);
      try {
        await compareOne(input, output, tally);
      } catch (e) {
        crashes += 1;
        tally.failures.push({ file: input, problems: [`could not compare: ${e.message}`] });
      }
    }
  } finally {
    common.removeTree(outDir);
  }
  const show = (f) => console.log(`${f.file.replace(/^.*\//, '')}:\n  ${f.problems.join('\n  ')}`);
  if (verbose) tally.known.forEach(show);
  else tally.known.forEach((f) => console.log(`${f.file.replace(/^.*\//, '')}: ${f.problems[0]}`));
  tally.failures.forEach(show);
  console.log(`fidelity: ${tally.messages} messages, ${tally.fields} fields compared, ${tally.mismatches} mismatches, ${tally.known.length} messages with known faults, ${crashes} unreadable`);
  process.exit(tally.failures.length === 0 && crashes === 0 ? 0 : 1);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
