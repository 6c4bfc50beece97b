'use strict';
// Shared helpers of the oracle scripts: where the corpus and the converter
// are, and how to read a .msg with the independent reader.
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const MsgReader = require('@kenjiuno/msgreader').default;

function corpusDir() {
  if (process.env.MAILVANE_CORPUS) return process.env.MAILVANE_CORPUS;
  return path.resolve(__dirname, '..', '..', '..', 'shared', 'corpus');
}

function emlFiles(dir) {
  return fs.readdirSync(dir).filter((n) => n.toLowerCase().endsWith('.eml')).sort().map((n) => path.join(dir, n));
}

// Converts every file with one eml2msg run into a fresh folder; returns
// the folder. Exit status 1 (some failed) is reported by the caller per file.
function convertAll(eml2msg, inputs) {
  const out = fs.mkdtempSync(path.join(os.tmpdir(), 'mailvane-oracle-'));
  try {
    execFileSync(eml2msg, ['-d', out, ...inputs], { stdio: ['ignore', 'ignore', 'pipe'] });
  } catch (e) {
    process.stderr.write(String(e.stderr || e.message));
  }
  return out;
}

function outputFor(outDir, input) {
  return path.join(outDir, path.basename(input).replace(/\.eml/gi, '.msg'));
}

function readMsg(file) {
  const reader = new MsgReader(fs.readFileSync(file));
  // Raw properties too, for the named ones msgreader has no field for.
  reader.parserConfig = { includeRawProps: true };
  const data = reader.getFileData();
  if (data.error) throw new Error(`msgreader: ${data.error}`);
  return { reader, data };
}

// The value of a named property of the message by its property set and
// long id, as msgreader decodes it (bytes for a binary property).
function namedProperty(data, propertySet, lid) {
  const wanted = lid.toString(16).padStart(8, '0');
  const found = (data.rawProps || []).find((p) => p.propertySet === propertySet && p.propertyLid === wanted);
  return found ? found.value : undefined;
}

function removeTree(dir) {
  fs.rmSync(dir, { recursive: true, force: true });
}

// PidTagMessageFlags: a message still being composed, never sent ([MS-OXCMSG] 2.2.1.6).
const MF_UNSENT = 0x0008;

module.exports = { MF_UNSENT, corpusDir, emlFiles, convertAll, outputFor, readMsg, namedProperty, removeTree };
