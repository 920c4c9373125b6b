'use strict';
// Runs the quorlex program for a caller: the document as a file name or a
// Buffer (sent on standard input, never written to disk), the options
// checked and passed as Name=value, and the outcome read from the JSON
// report the program writes on standard output.

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

const PROGRAM = process.platform === 'win32' ? 'quorlex.exe' : 'quorlex';

// Inside an Electron app the package sits in app.asar, which no program can
// be started from; electron-builder puts such files in app.asar.unpacked.
function unpacked(folder) {
  return folder.replace(/([\\/])app\.asar([\\/])/, '$1app.asar.unpacked$2');
}

function isProgram(file) {
  try {
    return fs.statSync(file).isFile();
  } catch {
    return false;
  }
}

// QUORLEX_PATH, then beside the package (or its bin folder), then the PATH.
function findProgram(env = process.env) {
  if (env.QUORLEX_PATH) return env.QUORLEX_PATH;
  const here = unpacked(__dirname);
  for (const candidate of [path.join(here, PROGRAM), path.join(here, 'bin', PROGRAM)]) {
    if (isProgram(candidate)) return candidate;
  }
  for (const folder of (env.PATH || '').split(path.delimiter)) {
    if (folder && isProgram(path.join(folder, PROGRAM))) return path.join(folder, PROGRAM);
  }
  return PROGRAM;
}

const CHOICES = {
  duplex: ['off', 'long', 'short'],
  scaling: ['auto', 'fit', 'none', 'stretch'],
  render: ['auto', 'always'],
};

function fail(message) {
  throw new TypeError(`quorlex: ${message}`);
}

function text(name, value) {
  if (typeof value !== 'string' || value === '' || /[\0\r\n]/.test(value)) {
    fail(`${name} must be a non-empty string on one line`);
  }
  return value;
}

function wholeNumber(name, value, lowest, highest) {
  if (!Number.isInteger(value) || value < lowest || value > highest) {
    fail(`${name} must be a whole number from ${lowest} to ${highest}`);
  }
  return String(value);
}

function choice(name, value) {
  if (!CHOICES[name].includes(value)) fail(`${name} must be one of ${CHOICES[name].join(', ')}`);
  return value;
}

function flag(name, value) {
  if (typeof value !== 'boolean') fail(`${name} must be true or false`);
  return value;
}

// "1-3,7,10-" as it stands, or [1, [3, 5], [10, null]].
function pageList(value) {
  if (typeof value === 'string') {
    if (!/^\d+(-\d*)?(,\d+(-\d*)?)*$/.test(value)) fail('pages must be like "1-3,7,10-"');
    return value;
  }
  if (!Array.isArray(value) || value.length === 0) fail('pages must be a string or a non-empty array');
  return value
    .map((item) => {
      if (Number.isInteger(item) && item >= 1) return String(item);
      if (Array.isArray(item) && item.length === 2 && Number.isInteger(item[0]) && item[0] >= 1 &&
          (item[1] === null || (Number.isInteger(item[1]) && item[1] >= item[0]))) {
        return `${item[0]}-${item[1] === null ? '' : item[1]}`;
      }
      return fail('each page must be a number from 1 or a [first, last] pair (last null: to the end)');
    })
    .join(',');
}

// Each option in JavaScript style, as the program's parameter.
const OPTIONS = {
  copies: (v) => ['Copies', wholeNumber('copies', v, 1, 999)],
  collate: (v) => ['Collate', flag('collate', v) ? 'yes' : 'no'],
  duplex: (v) => ['Duplex', choice('duplex', v)],
  tray: (v) => ['Tray', text('tray', v)],
  color: (v) => ['Color', typeof v === 'boolean' ? (v ? 'color' : 'mono') :
    ['color', 'mono'].includes(v) ? v : fail('color must be true, false, "color" or "mono"')],
  pages: (v) => ['Pages', pageList(v)],
  scaling: (v) => ['Scaling', choice('scaling', v)],
  paper: (v) => ['Paper', text('paper', v)],
  wait: (v) => ['Wait', wholeNumber('wait', v, 0, 86400)],
  user: (v) => ['User', text('user', v)],
  passwordFile: (v) => ['PasswordFile', text('passwordFile', v)],
  render: (v) => ['Render', choice('render', v)],
};
const RUN_OPTIONS = new Set(['title', 'program', 'env', 'timeout']);

// The command line for the program; throws TypeError for an option it
// does not know or a value it would refuse.
function argumentsFor(document, printer, options = {}) {
  if (!(typeof document === 'string' && document !== '') && !Buffer.isBuffer(document) &&
      !(document instanceof Uint8Array)) {
    fail('the document must be a file name or a Buffer');
  }
  text('printer', printer);
  const args = ['Report=-', 'Notice=none', 'ExitCode=result'];
  for (const [name, value] of Object.entries(options)) {
    if (value === undefined || RUN_OPTIONS.has(name)) continue;
    if (!Object.hasOwn(OPTIONS, name)) fail(`there is no option ${name}; the options are ${Object.keys(OPTIONS).join(', ')}`);
    const [parameter, setting] = OPTIONS[name](value);
    args.push(`${parameter}=${setting}`);
  }
  const fromMemory = typeof document !== 'string';
  const title = options.title === undefined ? (fromMemory ? 'Document' : path.basename(document))
    : text('title', options.title);
  args.push('-printpdf', fromMemory ? '-' : document, printer, title);
  return args;
}

// Runs the program; resolves with its standard output, error and exit
// code, rejects only when it cannot be started.
function runProgram(args, document, options) {
  return new Promise((resolve, reject) => {
    const child = spawn(options.program || findProgram(options.env || process.env), args, {
      env: options.env || process.env,
      stdio: ['pipe', 'pipe', 'pipe'],
      windowsHide: true,
      timeout: options.timeout,
    });
    const out = [];
    const err = [];
    child.stdout.on('data', (chunk) => out.push(chunk));
    child.stderr.on('data', (chunk) => err.push(chunk));
    child.on('error', reject);
    child.on('close', (code, signal) => {
      resolve({ stdout: Buffer.concat(out).toString('utf8'), stderr: Buffer.concat(err).toString('utf8'), code, signal });
    });
    // A program that ends early (a refused option) closes its end.
    child.stdin.on('error', () => {});
    child.stdin.end(typeof document === 'string' ? undefined : Buffer.from(document));
  });
}

function reportOf(run) {
  const line = run.stdout.split(/\r?\n/).find((l) => l.startsWith('{"version":'));
  if (!line) {
    const end = run.signal ? `signal ${run.signal}` : `exit code ${run.code}`;
    throw new Error(`quorlex: the program ended (${end}) without its report: ${run.stderr.trim()}`);
  }
  return JSON.parse(line);
}

/**
 * Prints the document and resolves with the program's report, for failed
 * runs too (report.result says how it went); rejects only when the program
 * cannot be started or ends without a report.
 */
async function print(document, printer, options = {}) {
  const args = argumentsFor(document, printer, options);
  return reportOf(await runProgram(args, document, options));
}

// The dry run's plan: "printer", "paper", "tray" and "page" lines as objects.
function parsePlan(stdout) {
  const plan = { printer: null, papers: [], trays: [], pages: [] };
  for (const line of stdout.split(/\r?\n/)) {
    const fields = line.split('\t');
    if (fields[0] === 'printer' && fields.length === 2) plan.printer = fields[1];
    if (fields[0] === 'paper' && fields.length === 8) {
      const [width, height, left, top, right, bottom] = fields.slice(2).map(Number);
      plan.papers.push({ name: fields[1], width, height, margins: { left, top, right, bottom } });
    }
    if (fields[0] === 'tray' && fields.length === 2) plan.trays.push(fields[1]);
    if (fields[0] === 'page' && fields.length === 3) plan.pages.push({ page: Number(fields[1]), way: 'skipped' });
    if (fields[0] === 'page' && fields.length === 9) {
      plan.pages.push({
        page: Number(fields[1]), width: Number(fields[2]), height: Number(fields[3]),
        paper: fields[4] === 'none' ? null : fields[4], turned: fields[5] === 'turned',
        scale: { across: Number(fields[6]), down: Number(fields[7]) }, way: fields[8],
      });
    }
  }
  return plan;
}

/**
 * Makes every choice and prints nothing: resolves with the plan (the
 * printer, its papers with their margins in millimetres, its trays, and
 * each selected page's paper, turn, scale and way) and the run's report.
 */
async function plan(document, printer, options = {}) {
  const args = argumentsFor(document, printer, options);
  args.splice(args.indexOf('-printpdf'), 0, 'DryRun=yes');
  const run = await runProgram(args, document, options);
  return { ...parsePlan(run.stdout), report: reportOf(run) };
}

module.exports = { print, plan, findProgram, argumentsFor };
