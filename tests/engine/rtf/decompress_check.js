// Decompresses every .lzfu file the compressor test wrote with a
// decompressor we did not write, and compares with the matching .rtf.
'use strict';
const fs = require('fs');
const path = require('path');

let decompressRTF;
try {
  ({ decompressRTF } = require('@kenjiuno/decompressrtf'));
} catch (e) {
  console.log('SKIP: @kenjiuno/decompressrtf is not installed in tests/oracle');
  process.exit(0);
}

const dir = process.argv[2];
const inputs = fs.readdirSync(dir).filter((f) => f.endsWith('.lzfu')).sort();
let failures = 0;
for (const name of inputs) {
  const packed = fs.readFileSync(path.join(dir, name));
  const expected = fs.readFileSync(path.join(dir, name.replace(/\.lzfu$/, '.rtf')));
  const got = Buffer.from(decompressRTF(Array.from(packed)));
  if (!got.equals(expected)) {
    console.log(`MISMATCH ${name}: ${got.length} bytes decompressed, ${expected.length} expected`);
    failures++;
  }
}
console.log(`${inputs.length - failures} of ${inputs.length} compressed files decompress to their input`);
if (inputs.length === 0 || failures > 0) process.exit(1);
