'use strict';
// The package as an application uses it: the program it finds (QUORLEX_PATH
// in the tests), printing to the built-in file: printer and, where the
// print sandbox runs, to its CUPS queue; every outcome read as the report.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const quorlex = require('..');

const sample = path.join(__dirname, '..', '..', '..', 'tests', 'data', 'mixed.pdf');
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlex-node-'));

test('a file prints on its papers and the report names each page', async () => {
  const out = path.join(folder, 'file.pdf');
  const report = await quorlex.print(sample, `file:${out}`, { title: 'From Node' });
  assert.equal(report.result, 0, JSON.stringify(report));
  assert.equal(report.meaning, 'printed');
  assert.equal(report.title, 'From Node');
  assert.deepEqual(report.pages.map((p) => [p.paper, p.turned]),
    [['A4', false], ['A4', true], ['Letter', false], ['A5', false]]);
  assert.ok(fs.statSync(out).size > 0);
});

test('a Buffer prints from memory', async () => {
  const out = path.join(folder, 'buffer.pdf');
  const report = await quorlex.print(fs.readFileSync(sample), `file:${out}`, { copies: 2, collate: false });
  assert.equal(report.result, 0, JSON.stringify(report));
  assert.equal(report.document, '-');
  assert.equal(report.title, 'Document');
  assert.ok(fs.statSync(out).size > 0);
});

test('a failed run resolves with its result and the reason', async () => {
  const report = await quorlex.print(path.join(folder, 'missing.pdf'), `file:${folder}/never.pdf`);
  assert.equal(report.result, 1);
  assert.equal(report.meaning, 'failed');
  assert.equal(report.job, null);
  assert.ok(report.messages.some((m) => m.writer === 'main' && m.text.startsWith('Unable to print document')),
    JSON.stringify(report.messages));
  assert.equal(fs.existsSync(path.join(folder, 'never.pdf')), false);
});

test('options are checked before the program starts', async () => {
  await assert.rejects(quorlex.print(sample, 'file:/x.pdf', { copies: 0 }), /copies must be a whole number from 1 to 999/);
  await assert.rejects(quorlex.print(sample, 'file:/x.pdf', { duplex: 'both' }), /duplex must be one of off, long, short/);
  await assert.rejects(quorlex.print(sample, 'file:/x.pdf', { copeis: 2 }), /there is no option copeis/);
  await assert.rejects(quorlex.print(sample, 'file:/x.pdf', { pages: '3-1x' }), /pages must be like/);
  assert.deepEqual(quorlex.argumentsFor(sample, 'office', { pages: [1, [3, null]], color: false, wait: 30 }).slice(3, 6),
    ['Pages=1,3-', 'Color=mono', 'Wait=30']);
});

test('a program that cannot be started rejects', async () => {
  await assert.rejects(quorlex.print(sample, 'file:/x.pdf', { program: path.join(folder, 'no-such-program') }),
    /ENOENT/);
});

test('plan makes every choice and prints nothing', async () => {
  const out = path.join(folder, 'plan.pdf');
  const plan = await quorlex.plan(sample, `file:${out}`, { pages: '2-3' });
  assert.equal(plan.report.result, 0, JSON.stringify(plan.report));
  assert.ok(plan.papers.some((p) => p.name === 'A4' && Math.round(p.width) === 210));
  assert.deepEqual(plan.pages.map((p) => [p.page, p.paper, p.turned]), [[2, 'A4', true], [3, 'Letter', false]]);
  assert.equal(fs.existsSync(out), false);
});

test('inside an Electron app the program is taken from app.asar.unpacked', () => {
  const app = path.join(folder, 'resources');
  const packed = path.join(app, 'app.asar', 'node_modules', 'quorlex');
  const unpacked = path.join(app, 'app.asar.unpacked', 'node_modules', 'quorlex');
  fs.mkdirSync(packed, { recursive: true });
  fs.mkdirSync(unpacked, { recursive: true });
  fs.copyFileSync(path.join(__dirname, '..', 'index.js'), path.join(packed, 'index.js'));
  const program = path.join(unpacked, process.platform === 'win32' ? 'quorlex.exe' : 'quorlex');
  fs.writeFileSync(program, '');
  const { QUORLEX_PATH, ...withoutPath } = process.env;
  assert.equal(require(path.join(packed, 'index.js')).findProgram(withoutPath), program);
  assert.equal(quorlex.findProgram({ ...withoutPath, QUORLEX_PATH: '/opt/q/quorlex' }), '/opt/q/quorlex');
});

test('to the sandbox queue: the job the report names is the one the printer got', { skip: !process.env.QUORLEX_IPP_QUEUE }, async () => {
  const title = `node-${process.pid}-${Date.now()}`;
  const report = await quorlex.print(fs.readFileSync(sample), process.env.QUORLEX_IPP_QUEUE, { title, wait: 60 });
  assert.equal(report.result, 0, JSON.stringify(report));
  assert.equal(report.job.state, 'printed');
  assert.ok(report.job.id > 0);
});
