'use strict';
// A store read back by readpst (pst-utils, a reader we did not write): each
// mail readpst writes out of it, parsed with mailparser, is compared field by
// field with its source .eml, parsed the same way.
// Usage: node compare_readpst_with_sources.js REPORT.json OUTDIR READPST_DIR
//   REPORT.json  the --report of the run with -d OUTDIR over the sources the
//                store was written from (inputs in the store's order)
//   READPST_DIR  readpst's folder for the store (readpst -e -j 0 -o ...):
//                one folder per store folder, its items as 1.eml, 2.eml, ...
const fs = require('fs');
const path = require('path');
const { simpleParser } = require('mailparser');
const { ORACLE_DISAGREEMENTS } = require('./mailparser_disagreements');

const [reportPath, outDir, readpstDir] = process.argv.slice(2);
if (!readpstDir) {
  console.error('usage: compare_readpst_with_sources.js REPORT.json OUTDIR READPST_DIR');
  process.exit(2);
}

// Where readpst loses or adds something by its own design, for every mail
// of a kind; each is applied only where its condition holds.
const READPST_WAYS = {
  // readpst adds the message's compressed RTF body (PidTagRtfCompressed) to
  // every mail as an attachment named rtf-body.rtf.
  rtfBody: 'rtf-body.rtf',
  // An appointment is written as an iCalendar file (N.ics), not a mail:
  // its SUMMARY is the subject, there is nothing else of the mail's.
  calendar: '.ics',
  // A meeting mail gets an iCalendar file readpst makes of the meeting's
  // properties (i<number>.ics) beside the attachments.
  ownCalendar: /^i\d+\.ics$/,
};

// Parts of a source that the two readings cannot share, left out of the
// comparison for every message where they occur, each counted:
// - 'html only': with no text/plain part the text readpst writes is the
//   converter's rendering of the HTML (PidTagBody); mailparser gives none.
//   compare_with_mailparser.js compares the converter's HTML itself.
// - 'signed or encrypted': a multipart/signed or S/MIME mail is kept whole
//   as the store's smime.p7m ([MS-OXOSMIME]); readpst writes that opaque
//   part's MIME again, which mailparser does not read as the source's parts.
// - 'meeting': the calendar part is the meeting object, not an attachment,
//   and readpst writes its own calendar instead.
// - 'attached mail': readpst writes an attached message again from its
//   properties, and mailparser writes an inline one into the text, so
//   neither text nor attachments meet; the store's attached messages are
//   compared property by property by compare_store_with_msg_files.py.
// - 'no address': a To or Cc without any address (a group's name,
//   "undisclosed-recipients:;", a bare word) is no recipient for mailparser
//   and a display name for readpst.
// - 'date mailparser cannot read': mailparser gives the time of reading
//   for a Date it cannot parse (see mailparser_disagreements.js).
// - 'unnamed': readpst names an attachment without a name itself
//   (attachment.dat, attachment (2).txt); its size is still compared.
const skipped = {};
const skip = (why) => { skipped[why] = (skipped[why] || 0) + 1; };

// Messages where the source's own reading by mailparser and readpst's mail
// part company for a reason named here; the fields named are left out for
// that message only.
const EXCEPTIONS = {
  // "def <ydefmail.com>": an address without "@" is no Internet address
  // (RFC 5322 3.4.1). The converter keeps it as the recipient's e-mail
  // address without the SMTP type; readpst's own To line shows it after the
  // name, mailparser's reading has the name alone.
  'nodembox-02-test-4-message-m2.eml': ['to'],
  'nodembox-03-test-4-message-m3.eml': ['to'],
  'nodembox-04-test-4-message-m4.eml': ['to'],
  'nodembox-05-test-attached-m1.eml': ['to'],
  // Uuencoded files in the text are attachments for the converter (as for
  // compare_with_mailparser.js); mailparser keeps them as text.
  'mimeexplode-27-uu-zeegee.eml': ['text', 'attachments'],
  // A multipart/digest's parts are message/rfc822 without saying so
  // (RFC 2046 5.1.5): attached mails that no Content-Type line names.
  'mimeexplode-11-multi-digest.eml': ['attachments'],
  'cpython-35-msg-34-rfc822.eml': ['text', 'attachments'],
};

// The fields of this script that a disagreement of mailparser's with the
// standards over a source (named in mailparser_disagreements.js, with its
// reason) leaves without a true reading, and this script's own exceptions.
function excusedFields(name) {
  const fields = new Set(EXCEPTIONS[name] || []);
  for (const field of ORACLE_DISAGREEMENTS[name] || []) {
    if (field === 'text' || field.startsWith('from ')) fields.add(field);
    if (field.startsWith('date')) fields.add('date');
    if (field.startsWith('attachment')) {
      fields.add('attachments');
    }
  }
  return [...fields];
}

const collapse = (s) => (s || '').replace(/\s+/g, ' ').trim();

function people(list) {
  const out = [];
  const walk = (entries) => {
    for (const e of entries || []) {
      if (e.group) walk(e.group);
      else if (e.address) out.push({ name: e.name || '', address: e.address.toLowerCase() });
    }
  };
  for (const a of [].concat(list || [])) walk(a.value);
  return out;
}

// A header readpst writes itself (where it does not keep the source's)
// has To and Cc from PidTagDisplayTo and PidTagDisplayCc: the recipients'
// display names joined with "; ", an address only for one without a name.
// Those fields are compared as such a list of the source's recipients.
const rawField = (parsed, field) => {
  const raw = (parsed.headerLines || []).find((l) => l.key === field);
  return raw ? raw.line.slice(raw.line.indexOf(':') + 1).replace(/\s+/g, ' ').trim() : '';
};

function recipients(item, source, field) {
  const text = rawField(item, field);
  const ours = people(source[field]);
  if (text === rawField(source, field)) return [text, text];
  if (/@/.test(text) && !/;/.test(text)) return [people(item[field]).map((p) => p.address).join(', '), ours.map((p) => p.address).join(', ')];
  // Names as written: readpst keeps an address's case, mailparser lowers it.
  return [text.toLowerCase(), ours.map((p) => p.name || p.address).join('; ').toLowerCase()];
}

// Attachment names as the converter makes them unique in a message: the
// second "a.txt" becomes "a (2).txt", as readpst shows it.
function uniqueNames(list) {
  const seen = new Map();
  return list.map((a) => {
    if (!a.name) return a;
    const times = (seen.get(a.name.toUpperCase()) || 0) + 1;
    seen.set(a.name.toUpperCase(), times);
    if (times === 1) return a;
    const dot = a.name.lastIndexOf('.');
    return { ...a, name: dot > 0 ? `${a.name.slice(0, dot)} (${times})${a.name.slice(dot)}` : `${a.name} (${times})` };
  });
}

// Equal, where a byte the source's reading could not decode (U+FFFD) stands
// for the one or two characters the converter made of it.
function sameText(theirs, source) {
  if (!source.includes('\uFFFD')) return theirs === source;
  const pattern = source.split('\uFFFD').map((p) => p.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')).join('.{1,2}');
  return new RegExp(`^${pattern}$`, 's').test(theirs);
}

function seconds(date) {
  return date && !Number.isNaN(date.getTime()) ? Math.floor(date.getTime() / 1000) : undefined;
}

function attachmentList(parsed) {
  return (parsed.attachments || [])
    .filter((a) => a.filename !== READPST_WAYS.rtfBody && !READPST_WAYS.ownCalendar.test(a.filename || ''))
    .filter((a) => !/^message\//i.test(a.contentType))
    .map((a) => ({ name: a.filename || '', size: a.size }));
}

function sameAttachments(theirs, source) {
  const key = (a) => `${a.name} ${a.size}`;
  const unnamed = source.filter((a) => !a.name).map((a) => a.size).sort();
  const named = source.filter((a) => a.name).map(key).sort();
  const theirNamed = theirs.filter((a) => named.includes(key(a))).map(key).sort();
  const rest = theirs.filter((a) => !named.includes(key(a))).map((a) => a.size).sort();
  if (unnamed.length) skip('unnamed');
  return [`${theirNamed.join('; ')} | ${rest.join(' ')}`, `${named.join('; ')} | ${unnamed.join(' ')}`];
}

// mailparser writes an inline attached mail into the text; its parts are
// counted from the source's own lines.
const attachedInSource = (raw) => (raw.match(/^content-type:[ \t]*message\/(rfc822|global)/gim) || []).length;

// The sources of each folder in the store's order, from the -d run's report.
function sourcesByFolder() {
  const report = JSON.parse(fs.readFileSync(reportPath, 'utf8'));
  const folders = new Map();
  for (const entry of report.inputs) {
    if (entry.outcome !== 'converted') continue;
    const folder = path.dirname(path.relative(outDir, entry.output));
    if (!folders.has(folder)) folders.set(folder, []);
    folders.get(folder).push(entry.input);
  }
  return folders;
}

function readpstItems(folder) {
  const dir = path.join(readpstDir, folder === '.' ? '' : folder);
  if (!fs.existsSync(dir)) return [];
  return fs.readdirSync(dir).filter((n) => /^\d+\.(eml|ics)$/.test(n))
    .sort((a, b) => parseInt(a, 10) - parseInt(b, 10)).map((n) => path.join(dir, n));
}

function calendarSummary(text) {
  const unfolded = text.replace(/\r\n?/g, '\n').replace(/\n[ \t]/g, '');
  const line = unfolded.split('\n').find((l) => /^SUMMARY[;:]/i.test(l));
  return line ? line.slice(line.indexOf(':') + 1).replace(/\\([,;\\])/g, '$1') : '';
}

// A text/plain part anywhere, or no Content-Type at all (RFC 2045's default).
function hasTextPart(raw) {
  return /^content-type:[ \t]*text\/plain/im.test(raw) || !/^content-type:/im.test(raw);
}

async function compareOne(sourcePath, itemPath, tally) {
  const problems = [];
  const excused = excusedFields(path.basename(sourcePath));
  const compare = (field, theirs, source) => {
    if (excused.includes(field)) {
      tally.excused += 1;
      return;
    }
    tally.fields += 1;
    const same = typeof theirs === 'string' && typeof source === 'string' ? sameText(theirs, source) : theirs === source;
    if (!same) problems.push(`${field}: readpst ${JSON.stringify(theirs).slice(0, 160)} vs source ${JSON.stringify(source).slice(0, 160)}`);
  };
  const raw = fs.readFileSync(sourcePath);
  const source = await simpleParser(raw, { skipTextToHtml: true, skipImageLinks: true });
  if (itemPath.endsWith(READPST_WAYS.calendar)) {
    tally.calendars += 1;
    // A meeting without a subject takes its calendar's SUMMARY.
    const calendar = (source.attachments || []).find((a) => /^text\/calendar$/i.test(a.contentType));
    const subject = source.subject || (calendar ? calendarSummary(calendar.content.toString('utf8')) : '');
    compare('calendar summary', collapse(calendarSummary(fs.readFileSync(itemPath, 'utf8'))), collapse(subject));
    return problems;
  }
  const item = await simpleParser(fs.readFileSync(itemPath), { skipTextToHtml: true, skipImageLinks: true });
  compare('subject', collapse(item.subject), collapse(source.subject));
  const from = (m) => (m.from && m.from.value && m.from.value[0]) || {};
  // A mail with no From field gets readpst's own "MAILER-DAEMON".
  if (source.from) {
    compare('from address', (from(item).address || '').toLowerCase(), (from(source).address || '').toLowerCase());
    compare('from name', from(item).name || '', from(source).name || '');
  } else {
    compare('no from', from(item).name || '', 'MAILER-DAEMON');
  }
  for (const field of ['to', 'cc']) {
    if (source[field] && !people(source[field]).length) skip('no address');
    else compare(field, ...recipients(item, source, field));
  }
  // mailparser gives the time of reading for a Date it cannot read.
  const unreadable = !source.date || Math.abs(source.date.getTime() - Date.now()) < 15 * 60 * 1000;
  // With no Date field, readpst writes one of its own from the delivery
  // time: the source has no date to compare.
  if (!source.headers.has('date')) tally.ownDates += 1;
  else if (unreadable) skip('date mailparser cannot read');
  else compare('date', seconds(item.date), seconds(source.date));
  const type = (source.headers.get('content-type') || {}).value || '';
  if (/^multipart\/signed$|^application\/(x-)?pkcs7-mime$/i.test(type)) {
    skip('signed or encrypted');
    return problems;
  }
  if (source.text === undefined || !hasTextPart(raw.toString('latin1'))) skip('html only');
  else if (attachedInSource(raw.toString('latin1'))) skip('attached mail');
  else compare('text', collapse(item.text), collapse(source.text));
  if ((source.attachments || []).some((a) => /^text\/calendar$/i.test(a.contentType))) {
    skip('meeting');
    return problems;
  }
  if (attachedInSource(raw.toString('latin1'))) return problems;
  compare('attachments', ...sameAttachments(attachmentList(item), uniqueNames(attachmentList(source))));
  return problems;
}

async function main() {
  const tally = { messages: 0, fields: 0, excused: 0, calendars: 0, ownDates: 0, failures: [] };
  for (const [folder, sources] of sourcesByFolder()) {
    const items = readpstItems(folder);
    if (items.length !== sources.length) {
      tally.failures.push({ file: folder, problems: [`readpst wrote ${items.length} items, the folder holds ${sources.length}`] });
    }
    for (let i = 0; i < Math.min(items.length, sources.length); i += 1) {
      let problems;
      try {
        problems = await compareOne(sources[i], items[i], tally);
      } catch (e) {
        problems = [`could not compare with ${items[i]}: ${e.message}`];
      }
      tally.messages += 1;
      if (problems.length) tally.failures.push({ file: `${folder}/${path.basename(sources[i])}`, problems });
    }
  }
  for (const f of tally.failures) console.log(`${f.file}:\n  ${f.problems.join('\n  ')}`);
  console.log(`readpst: ${tally.messages} messages (${tally.calendars} as calendars), ${tally.fields} fields compared, `
    + `${tally.excused} excused by the named exceptions, ${tally.ownDates} dates readpst made, `
    + `${tally.failures.length} messages differing`);
  console.log(`readpst: left out where the readings cannot meet: ${JSON.stringify(skipped)}`);
  process.exit(tally.failures.length === 0 && tally.messages > 0 ? 0 : 1);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
