/// <reference types="node" />

/** The job controls and how the run is made; each is checked before the program starts. */
export interface PrintOptions {
  /** The job's name at the printer; the file's name, or "Document" for a Buffer. */
  title?: string;
  /** 1 to 999. */
  copies?: number;
  /** Collated copies (true, the default) or each page as many times over. */
  collate?: boolean;
  duplex?: 'off' | 'long' | 'short';
  /** A tray the printer names, or "auto". */
  tray?: string;
  /** Colour (true) or monochrome (false). */
  color?: boolean | 'color' | 'mono';
  /** "1-3,7,10-", or [1, [3, 5], [10, null]]: pages numbered from 1, null for the last. */
  pages?: string | Array<number | [number, number | null]>;
  scaling?: 'auto' | 'fit' | 'none' | 'stretch';
  /** "smallest", "exact" or a paper the printer names. */
  paper?: string;
  /** Seconds to follow the job until it is on paper (0 to 86400). */
  wait?: number;
  /** Who the job is for and signs in where a server asks. */
  user?: string;
  /** A file readable by its owner alone whose first line is the password. */
  passwordFile?: string;
  render?: 'auto' | 'always';
  /** The program to run; else QUORLEX_PATH, beside the package, then the PATH. */
  program?: string;
  /** The program's environment; process.env by default. */
  env?: NodeJS.ProcessEnv;
  /** Milliseconds before the program is killed; none by default. */
  timeout?: number;
}

export interface JobReport {
  id: number;
  state: 'submitted' | 'printed' | 'not-printed' | 'still-queued' | 'cancelled';
  reasons: string[];
  message: string | null;
}

export interface PageReport {
  page: number;
  paper: string | null;
  turned: boolean;
  scale: { across: number; down: number } | null;
  way: 'placed' | 'drawn' | 'skipped';
  reason?: string | null;
}

/** The outcome of a run, as the program reports it (Report=-). */
export interface Report {
  version: number;
  /** What ExitCode=result gives: 0 printed ... 5 still queued. */
  result: 0 | 1 | 2 | 3 | 4 | 5;
  meaning: 'printed' | 'failed' | 'bad-request' | 'printed-with-skips' | 'not-printed' | 'still-queued';
  document: string | null;
  printer: string | null;
  title: string | null;
  job: JobReport | null;
  pages: PageReport[];
  messages: Array<{ writer: string; text: string }>;
}

export interface PlannedPage {
  page: number;
  width?: number;
  height?: number;
  paper?: string | null;
  turned?: boolean;
  scale?: { across: number; down: number };
  way: 'placed' | 'drawn' | 'skipped';
}

export interface Plan {
  printer: string | null;
  papers: Array<{ name: string; width: number; height: number;
                  margins: { left: number; top: number; right: number; bottom: number } }>;
  trays: string[];
  pages: PlannedPage[];
  report: Report;
}

/** Prints; resolves with the report for every run the program made, failed ones included. */
export function print(document: string | Uint8Array, printer: string, options?: PrintOptions): Promise<Report>;
/** Makes every choice and prints nothing. */
export function plan(document: string | Uint8Array, printer: string, options?: PrintOptions): Promise<Plan>;
/** Where the program is looked for. */
export function findProgram(env?: NodeJS.ProcessEnv): string;
/** The program's command line for these arguments. */
export function argumentsFor(document: string | Uint8Array, printer: string, options?: PrintOptions): string[];
