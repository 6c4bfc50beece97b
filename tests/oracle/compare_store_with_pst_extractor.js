'use strict';
// A store eml2msg wrote, walked with pst-extractor (a reader we did not
// write): each folder's name, message count and unread count are those of
// the -d run's folder and the state its report gives; each message's
// subject, sender, recipients (name, address, its type, SMTP address,
// recipient type) and attachments (name, MIME type, size)
// are those msgreader reads from the .msg written for the same source; the
// state tree's mails (state/NAME.eml) have the state their headers set.
// Every property of each recipient of the .msg (RECIPIENTS.json, written
// by msg_recipients_json.py from the same report) is compared by its tag
// with pst-extractor's value of the store's recipient row.
// Usage: node compare_store_with_pst_extractor.js STORE.pst OUTDIR REPORT.json RECIPIENTS.json
const fs = require('fs');
const path = require('path');
const { PSTFile } = require('pst-extractor');
const common = require('./oracle_common');

const [storePath, outDir, reportPath, recipientsPath] = process.argv.slice(2);
if (!recipientsPath) {
  console.error('usage: compare_store_with_pst_extractor.js STORE.pst OUTDIR REPORT.json RECIPIENTS.json');
  process.exit(2);
}

const PID_TAG_FLAG_STATUS = 0x1090;
const FOLLOWUP_FLAGGED = 2;
const EXCHIVERB_REPLYTOSENDER = 102;
const ATTACH_EMBEDDED_MSG = 5;
// PidTagRecipientType as msgreader names it.
const RECIPIENT_TYPES = { 1: 'to', 2: 'cc', 3: 'bcc' };
// What the state tree's headers set (X-Unsent: 1, X-Mozilla-Status 0000,
// 0005 and 0003): read, unsent, flag status, last verb.
const STATE = {
  'draft.eml': { isRead: true, isUnsent: true, flag: 0, verb: 0 },
  'unread.eml': { isRead: false, isUnsent: false, flag: 0, verb: 0 },
  'flagged.eml': { isRead: true, isUnsent: false, flag: FOLLOWUP_FLAGGED, verb: 0 },
  'replied.eml': { isRead: true, isUnsent: false, flag: 0, verb: EXCHIVERB_REPLYTOSENDER },
  'labelled.eml': { isRead: true, isUnsent: false, flag: 0, verb: 0 },
  'keywords.eml': { isRead: true, isUnsent: false, flag: 0, verb: 0 },
};
// pst-extractor's colorCategories is empty for every message of the 19
// stores Outlook wrote in the corpus too, so it reads no categories there
// is to compare; compare_store_with_msg_files.py compares the Keywords
// property by its name.

function expectedFolders() {
  const report = JSON.parse(fs.readFileSync(reportPath, 'utf8'));
  const folders = new Map();
  for (const entry of report.inputs) {
    if (entry.outcome !== 'converted') continue;
    const folder = path.dirname(path.relative(outDir, entry.output));
    if (!folders.has(folder)) folders.set(folder, []);
    folders.get(folder).push(entry);
  }
  return folders;
}

function storeFolder(top, folder) {
  let at = top;
  for (const name of folder === '.' ? [] : folder.split('/')) {
    at = at.hasSubfolders ? at.getSubFolders().find((f) => f.displayName === name) : undefined;
    if (!at) return undefined;
  }
  return at;
}

// A recipient property's value by its type, as pst-extractor reads it.
const GETTERS = {
  0x0003: (r, id) => r.getIntItem(id),
  0x000b: (r, id) => r.getBooleanItem(id),
  0x001f: (r, id) => r.getStringItem(id),
  0x0102: (r, id) => {
    const bytes = r.getBinaryItem(id);
    return bytes ? Buffer.from(bytes).toString('hex') : '';
  },
};

function compareRecipientProperties(where, theirs, expected, compare, tally) {
  for (const [tag, value] of Object.entries(expected)) {
    const id = parseInt(tag.slice(0, 4), 16);
    const getter = GETTERS[parseInt(tag.slice(4), 16)];
    if (!getter) {
      compare(`${where} ${tag} readable`, false, true);
      continue;
    }
    tally.recipientProperties += 1;
    compare(`${where} ${tag}`, getter(theirs, id), value);
  }
}

function compareMessage(where, entry, message, compare, tally) {
  const { data } = common.readMsg(entry.output);
  compare(`${where} subject`, message.subject, data.subject || '');
  compare(`${where} sender`, message.senderName, data.senderName || '');
  compare(`${where} sender address`, message.senderEmailAddress, data.senderEmail || '');
  const recipients = data.recipients || [];
  compare(`${where} recipients`, message.numberOfRecipients, recipients.length);
  for (let i = 0; i < Math.min(message.numberOfRecipients, recipients.length); i += 1) {
    const theirs = message.getRecipient(i);
    const ours = recipients[i];
    compare(`${where} recipient ${i} name`, theirs.displayName, ours.name || '');
    compare(`${where} recipient ${i} address`, theirs.emailAddress, ours.email || '');
    compare(`${where} recipient ${i} address type`, theirs.addrType, ours.addressType || '');
    compare(`${where} recipient ${i} SMTP address`, theirs.smtpAddress, ours.smtpAddress || '');
    compare(`${where} recipient ${i} type`, RECIPIENT_TYPES[theirs.recipientType], ours.recipType);
    compareRecipientProperties(`${where} recipient ${i}`, theirs, tally.expectedRecipients[entry.output][i] || {}, compare, tally);
  }
  const attachments = data.attachments || [];
  compare(`${where} attachments`, message.numberOfAttachments, attachments.length);
  for (let i = 0; i < Math.min(message.numberOfAttachments, attachments.length); i += 1) {
    const theirs = message.getAttachment(i);
    const ours = attachments[i];
    compare(`${where} attachment ${i} name`, theirs.longFilename, ours.fileName || '');
    compare(`${where} attachment ${i} MIME type`, theirs.mimeTag, ours.attachMimeTag || '');
    // An attached message's size is its encoding's in each file.
    if (theirs.attachMethod !== ATTACH_EMBEDDED_MSG) compare(`${where} attachment ${i} size`, theirs.filesize, ours.contentLength);
  }
  const state = path.basename(path.dirname(entry.input)) === 'state' ? STATE[path.basename(entry.input)] : undefined;
  if (state) {
    compare(`${where} isRead`, message.isRead, state.isRead);
    compare(`${where} isUnsent`, message.isUnsent, state.isUnsent);
    compare(`${where} flag status`, message.getIntItem(PID_TAG_FLAG_STATUS), state.flag);
    compare(`${where} last verb`, message.lastVerbExecuted, state.verb);
  }
  return Boolean(state);
}

function main() {
  const tally = { folders: 0, messages: 0, fields: 0, states: 0, recipientProperties: 0,
    expectedRecipients: JSON.parse(fs.readFileSync(recipientsPath, 'utf8')) };
  const problems = [];
  const compare = (field, theirs, ours) => {
    tally.fields += 1;
    if (theirs !== ours) problems.push(`${field}: pst-extractor ${JSON.stringify(theirs)}, expected ${JSON.stringify(ours)}`);
  };
  const pst = new PSTFile(storePath);
  const top = pst.getRootFolder().getSubFolders().find((f) => f.hasSubfolders
    && f.getSubFolders().some((s) => s.displayName === 'Deleted Items'));
  if (!top) {
    console.log('no top of personal folders in the store');
    process.exit(1);
  }
  for (const [folder, entries] of expectedFolders()) {
    const found = storeFolder(top, folder);
    if (!found) {
      problems.push(`${folder}: no such store folder`);
      continue;
    }
    tally.folders += 1;
    compare(`${folder} name`, found.displayName, folder === '.' ? top.displayName : path.basename(folder));
    compare(`${folder} content count`, found.contentCount, entries.length);
    const unread = entries.filter((e) => (e.state || []).includes('unread')).length;
    compare(`${folder} unread count`, found.unreadCount, unread);
    let message = found.contentCount > 0 ? found.getNextChild() : null;
    for (const entry of entries) {
      if (!message) {
        problems.push(`${folder}: the store ends before ${entry.input}`);
        break;
      }
      if (compareMessage(`${path.relative(outDir, entry.output)}:`, entry, message, compare, tally)) tally.states += 1;
      tally.messages += 1;
      message = found.getNextChild();
    }
  }
  for (const problem of problems) console.log(problem);
  console.log(`pst-extractor: ${tally.folders} folders, ${tally.messages} messages (${tally.states} with state), `
    + `${tally.fields} fields compared (${tally.recipientProperties} of them recipients' properties), ${problems.length} problems`);
  process.exit(problems.length === 0 && tally.messages > 0 && tally.states === Object.keys(STATE).length ? 0 : 1);
}

try {
  main();
} catch (e) {
  console.log(`pst-extractor threw: ${e.stack}`);
  process.exit(1);
}
