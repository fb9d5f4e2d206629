// Screenshots of the page for the README: the folder way and the file way, each with its preview and the
// outcome of a run on the sample install folders of `hvxfer-cli demo`.
//   node web/tools/screenshots.mjs [OUT_FOLDER]     (default: build/web/screenshots; needs the built site,
//                                                    the native hvxfer-cli and web/node_modules)
import { mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';

import {
  demoFolders, filesOf, launch, openPage, pick, putFiles, serveSite, typeName,
} from '../tests/support.mjs';

const out = resolve(process.argv[2] || 'build/web/screenshots');
mkdirSync(out, { recursive: true });

// The test helpers clean up through t.after; here everything ends at the end of the script.
const cleanups = [];
const t = { after: (f) => cleanups.push(f) };

async function settle(page) {
  await page.waitForSelector('#preview-section:not([hidden])');
  await page.waitForFunction(() => document.querySelector('#result').className !== '');
  await page.evaluate(() => document.activeElement?.blur());
}

async function shoot(page, name) {
  await page.setViewportSize({ width: 900, height: 600 });
  await page.screenshot({ path: join(out, name), fullPage: true });
  console.log(join(out, name));
}

try {
  const folder = mkdtempSync(join(tmpdir(), 'hvxfer-shots-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  const demo = demoFolders(folder);
  const browser = await launch(t);
  const site = await serveSite(t);

  const folders = await openPage(t, browser, site.url);
  await putFiles(folders, [
    ...filesOf(demo.halvor).map(([path, bytes]) => [`Halvor/${path}`, bytes]),
    ...filesOf(demo.vaults).map(([path, bytes]) => [`GreyHarbor/${path}`, bytes]),
  ]);
  await pick(folders, 'source', 'Halvor');
  await pick(folders, 'destination', 'GreyHarbor');
  await typeName(folders, 'Player01');
  await folders.click('#create');
  await settle(folders);
  await shoot(folders, 'web-folder-way.png');

  const file = await openPage(t, browser, site.url, { picker: false });
  await file.setInputFiles('#save-file', join(demo.halvor, 'main', 'save', 'save00.dat'));
  await typeName(file, '勇者ロト');
  await file.click('#create');
  await settle(file);
  await shoot(file, 'web-file-way.png');
} finally {
  for (const cleanup of cleanups.reverse()) await cleanup();
}
