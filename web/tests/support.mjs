// What the browser tests share: the built page, the native hvxfer-cli that gives the reference outputs,
// headless chromium, and an origin-private file system standing in for the user's folders.
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, relative, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

import { serveFolder } from '../tools/serve.mjs';

const top = resolve(fileURLToPath(new URL('../..', import.meta.url)));
const fromTop = (path) => resolve(top, path);

// Where the tests find what they need; scripts/test.sh sets these to its build folders.
export const paths = {
  web: fromTop(process.env.HVXFER_WEB_DIR || 'build/web'),
  cli: fromTop(process.env.HVXFER_NATIVE_CLI || 'build/native/tools/cli/hvxfer-cli'),
  chromium: process.env.HVXFER_CHROMIUM || '/usr/bin/chromium',
  largeSave: process.env.HVXFER_LARGE_SAVE ? fromTop(process.env.HVXFER_LARGE_SAVE) : '',
};
const needed = [['site', join(paths.web, 'site', 'index.html')], ['hvxfer-cli', paths.cli]];
if (paths.largeSave) needed.push(['large save (HVXFER_LARGE_SAVE)', paths.largeSave]);
for (const [what, path] of needed) {
  if (!existsSync(path)) throw new Error(`the ${what} is missing: ${path}`);
}

export function cli(...args) {
  return execFileSync(paths.cli, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'], maxBuffer: 1 << 30 });
}

// `hvxfer-cli check-name`'s status text, whatever its exit status.
export function nativeNameStatus(name) {
  try {
    return cli('check-name', name).replace(/\n$/, '');
  } catch (error) {
    if (error.status !== 1) throw error;
    return error.stdout.replace(/\n$/, '');
  }
}

export function workFolder(t) {
  const folder = mkdtempSync(join(tmpdir(), 'hvxfer-web-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  return folder;
}

// Sample install folders (`hvxfer-cli demo`) in `folder`/halvor and `folder`/vaults.
export function demoFolders(folder) {
  cli('demo', join(folder, 'demo'));
  return { halvor: join(folder, 'demo', 'halvor'), vaults: join(folder, 'demo', 'vaults') };
}

// The native run on copies of the folders: its new save's and report's bytes (null where none).
export function nativeRun(folder, source, destination, name, { sourceSave } = {}) {
  const work = mkdtempSync(join(folder, 'native-'));
  cpSync(source, join(work, 'halvor'), { recursive: true });
  cpSync(destination, join(work, 'vaults'), { recursive: true });
  if (sourceSave) cpSync(sourceSave, join(work, 'halvor', 'main', 'save', 'save00.dat'));
  const report = join(work, 'log.txt');
  let status = 0;
  try {
    cli('run', join(work, 'halvor'), join(work, 'vaults'), name, '--report', report);
  } catch (error) {
    status = error.status;
  }
  const save = join(work, 'vaults', 'save', `${name}.sav`);
  return { status, report: readFileSync(report), save: existsSync(save) ? readFileSync(save) : null };
}

// `hvxfer-cli preview` as rows: [depth, id, old name, outcome, new name, category, base id].
export function nativePreview(source) {
  const rows = [];
  for (const line of cli('preview', source).split('\n')) {
    const m = /^( *)(.*) \((\d+)\): (carried|removed|failed)(?: as (.*) \(([^,]*), base id (.*)\))?$/.exec(line);
    if (m) rows.push([m[1].length / 4, Number(m[3]), m[2], m[4], m[5] || '', m[6] || '', m[7] || '']);
  }
  return rows;
}

// A folder's files as [path relative to `base`, bytes], for filling the origin-private file system.
export function filesOf(folder, base = folder) {
  const files = [];
  for (const name of readdirSync(folder)) {
    const path = join(folder, name);
    if (statSync(path).isDirectory()) files.push(...filesOf(path, base));
    else files.push([relative(base, path).split(/[\\/]/).join('/'), readFileSync(path)]);
  }
  return files;
}

export async function launch(t) {
  const browser = await chromium.launch({
    executablePath: paths.chromium,
    // Run as root (as in CI), chromium needs its sandbox off.
    args: process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : [],
  });
  t.after(() => browser.close());
  return browser;
}

export async function serveSite(t) {
  const served = await serveFolder(join(paths.web, 'site'));
  t.after(() => served.close());
  return served;
}

// The folder picker answers with folders of the origin-private file system, named by the test in
// window.__picks before each click (none left: the user cancelled). The options it was called with are
// kept in window.__pickOptions.
const kPickerStandIn = () => {
  window.__picks = [];
  window.__pickOptions = [];
  window.showDirectoryPicker = async (options) => {
    window.__pickOptions.push(options);
    const next = window.__picks.shift();
    if (next === undefined) throw new DOMException('The user aborted a request.', 'AbortError');
    let folder = await navigator.storage.getDirectory();
    for (const part of next.split('/')) folder = await folder.getDirectoryHandle(part);
    return folder;
  };
};

// A fresh page (own storage, own origin-private file system) on `url`, ready once the core is loaded.
export async function openPage(t, browser, url, { picker = true } = {}) {
  const context = await browser.newContext({ acceptDownloads: true, locale: 'ja-JP' });
  t.after(() => context.close());
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  // Anything the page's own policy refused: the page must need nothing it does not allow.
  page.on('console', (message) => {
    if (/Content.Security.Policy/i.test(message.text())) errors.push(message.text());
  });
  t.after(() => {
    if (errors.length) throw new Error(`the page raised: ${errors.join('; ')}`);
  });
  if (picker) await page.addInitScript(kPickerStandIn);
  await page.goto(url);
  await page.waitForSelector('html[data-ready="true"]', { timeout: 30000 });
  return page;
}

// Writes files into the page's origin-private file system: [["top/a/b.txt", bytes], …].
export async function putFiles(page, files) {
  const entries = files.map(([path, bytes]) => [path, Buffer.from(bytes).toString('base64')]);
  await page.evaluate(async (list) => {
    const root = await navigator.storage.getDirectory();
    for (const [path, base64] of list) {
      const parts = path.split('/');
      let folder = root;
      for (const part of parts.slice(0, -1)) folder = await folder.getDirectoryHandle(part, { create: true });
      const file = await folder.getFileHandle(parts[parts.length - 1], { create: true });
      const writable = await file.createWritable();
      await writable.write(Uint8Array.from(atob(base64), (c) => c.charCodeAt(0)));
      await writable.close();
    }
  }, entries);
}

// A folder of the origin-private file system: its file names, or one file's bytes (null when missing).
export async function listFolder(page, path) {
  return page.evaluate(async (parts) => {
    let folder = await navigator.storage.getDirectory();
    for (const part of parts) folder = await folder.getDirectoryHandle(part);
    const names = [];
    for await (const name of folder.keys()) names.push(name);
    return names.sort();
  }, path.split('/'));
}

export async function readStored(page, path) {
  const base64 = await page.evaluate(async (parts) => {
    let folder = await navigator.storage.getDirectory();
    try {
      for (const part of parts.slice(0, -1)) folder = await folder.getDirectoryHandle(part);
      const file = await (await folder.getFileHandle(parts[parts.length - 1])).getFile();
      const bytes = new Uint8Array(await file.arrayBuffer());
      let binary = '';
      for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      return btoa(binary);
    } catch {
      return null;
    }
  }, path.split('/'));
  return base64 === null ? null : Buffer.from(base64, 'base64');
}

// Picks folders through the page's "参照" buttons.
export async function pick(page, which, path) {
  await page.evaluate((next) => window.__picks.push(next), path);
  await page.click(`#${which}-browse`);
}

// Waits until the page shows `expected` (a text, or a test of it) in the element.
export async function waitForText(page, selector, expected, timeout = 15000) {
  const test = typeof expected === 'string' ? { equals: expected } : { includes: expected.includes };
  await page.waitForFunction(
    ([sel, want]) => {
      const text = document.querySelector(sel)?.textContent ?? '';
      return want.equals !== undefined ? text === want.equals : text.includes(want.includes);
    },
    [selector, test],
    { timeout },
  );
}

// The button as the dialog's: its text and whether it can be pressed.
export async function createButton(page) {
  return page.$eval('#create', (b) => ({ text: b.textContent, enabled: !b.disabled }));
}

export async function download(page, selector) {
  const [file] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  return { name: file.suggestedFilename(), bytes: readFileSync(await file.path()) };
}

// Types a name (replacing the field's text) and waits until the status shown is that of the field's text.
export async function typeName(page, name) {
  await page.fill('#user-name', name);
  await page.waitForFunction(() => {
    const status = document.querySelector('#name-status');
    return status.dataset.name === document.querySelector('#user-name').value;
  });
}
