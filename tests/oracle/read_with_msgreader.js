'use strict';
// msgreader reads every .msg eml2msg writes for the corpus: subject,
// sender, recipients with their types, dates, bodies and every attachment's
// data, each consistent with what the file says about itself.
// Usage: node read_with_msgreader.js EML2MSG
const fs = require('fs');
const { decompressRTF } = require('@kenjiuno/decompressrtf');
const common = require('./oracle_common');

const eml2msg = process.argv[2];
const corpus = common.corpusDir();
if (!fs.existsSync(`${corpus}/eml`)) {
  console.log(`SKIP: no corpus at ${corpus}`);
  process.exit(77);
}

const MEETING_CLASS = /^IPM\.(Schedule\.Meeting\.(Request|Canceled|Resp\.(Pos|Neg|Tent))|Appointment)$/;
const PSETID_APPOINTMENT = '00062002-0000-0000-c000-000000000046';

// What msgreader's own parsers make of a meeting: the times, the global
// object id, and every time zone and recurrence blob we wrote, each read by
// msgreader's structure readers (a blob they cannot read is dropped).
function checkMeeting(data, check) {
  const start = new Date(data.apptStartWhole).getTime();
  const end = new Date(data.apptEndWhole).getTime();
  check(!Number.isNaN(start) && !Number.isNaN(end) && start <= end, `meeting times ${data.apptStartWhole} to ${data.apptEndWhole}`);
  check(typeof data.apptLocation === 'string', 'meeting without a location');
  check(/^040000008200E00074C5B7101A82E008/.test(data.globalAppointmentID || ''), `global object id ${data.globalAppointmentID}`);
  const written = (lid) => common.namedProperty(data, PSETID_APPOINTMENT, lid) !== undefined;
  const blobs = [[0x8216, 'apptRecur'], [0x8233, 'timeZoneStruct'], [0x825e, 'apptTZDefStartDisplay'],
    [0x825f, 'apptTZDefEndDisplay'], [0x8260, 'apptTZDefRecur']];
  for (const [lid, field] of blobs) {
    if (written(lid)) check(data[field] !== undefined && data[field] !== null, `${field} written but unreadable`);
  }
  if (data.apptRecur) {
    const pattern = data.apptRecur.recurrencePattern;
    check(pattern.startDate <= pattern.endDate, 'recurrence ends before it starts');
    check(data.apptRecur.startTimeOffset <= data.apptRecur.endTimeOffset, 'instances end before they start');
    check(data.apptRecur.exceptionInfo.length === pattern.modifiedInstanceDates.length, 'exceptions and modified dates differ');
  }
}

function problemsOf(file) {
  const problems = [];
  const { reader, data } = common.readMsg(file);
  const check = (ok, what) => { if (!ok) problems.push(what); };
  check(typeof data.subject === 'string' || data.subject === undefined, 'subject unreadable');
  // An invitation is a meeting message ([MS-OXCICAL] 2.1.3.1.1.1: METHOD
  // gives the class), every other mail a note.
  const meeting = MEETING_CLASS.test(data.messageClass || '');
  check(meeting || (data.messageClass || '').startsWith('IPM.Note'), `class ${data.messageClass}`);
  if (meeting) checkMeeting(data, check);
  for (const r of data.recipients || []) {
    check(['to', 'cc', 'bcc'].includes(r.recipType), `recipient type ${r.recipType}`);
    check(Boolean(r.name), 'recipient without a display name');
  }
  // A draft (mfUnsent) was never submitted, as Outlook's own drafts show.
  const draft = (data.messageFlags & common.MF_UNSENT) !== 0;
  if (draft) check(data.clientSubmitTime === undefined, `draft with a submit time ${data.clientSubmitTime}`);
  for (const field of [draft ? [] : ['clientSubmitTime'], 'messageDeliveryTime', 'creationTime', 'lastModificationTime'].flat()) {
    const time = new Date(data[field]).getTime();
    check(!Number.isNaN(time) && time > Date.UTC(1601, 0, 2), `${field} ${data[field]}`);
  }
  const smime = data.messageClass === 'IPM.Note.SMIME';
  check(smime || typeof data.body === 'string', 'no plain body');
  if (data.html) check(data.internetCodepage > 0, 'HTML without a code page');
  // The RTF body, unpacked by a decompressor we did not write: HTML mail
  // carries it encapsulated, plain-text mail as RTF of the text.
  if (!smime) {
    check(Boolean(data.compressedRtf), 'no compressed RTF');
    if (data.compressedRtf) {
      const rtf = Buffer.from(decompressRTF(Array.from(data.compressedRtf))).toString('latin1');
      check(rtf.startsWith('{\\rtf1'), 'RTF body does not start with {\\rtf1');
      check(!data.html || rtf.includes('\\fromhtml1'), 'HTML mail whose RTF is not \\fromhtml1');
    }
  }
  (data.attachments || []).forEach((a, i) => {
    if (a.innerMsgContent) {
      check(Boolean(a.innerMsgContentFields), `attachment ${i}: embedded message unreadable`);
      return;
    }
    const content = reader.getAttachment(a).content;
    check(content && content.length === a.contentLength, `attachment ${i}: ${content && content.length} bytes, ${a.contentLength} declared`);
    check(Boolean(a.fileName), `attachment ${i} without a file name`);
  });
  return problems;
}

const inputs = common.emlFiles(`${corpus}/eml`);
const outDir = common.convertAll(eml2msg, inputs);
let passed = 0;
let failed = 0;
try {
  for (const input of inputs) {
    let problems;
    try {
      problems = problemsOf(common.outputFor(outDir, input));
    } catch (e) {
      problems = [e.message];
    }
    if (problems.length) {
      failed += 1;
      console.log(`${input.replace(/^.*\//, '')}: ${problems.join('; ')}`);
    } else {
      passed += 1;
    }
  }
} finally {
  common.removeTree(outDir);
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
