// The web edition in headless chromium, against the native hvxfer-cli: the dialog's live states, the
// preview, both ways of running, the failures a user meets, a large save, and that nothing is requested
// once the page is loaded.
import assert from 'node:assert/strict';
import { cpSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { describe, test } from 'node:test';

import {
  createButton, demoFolders, download, filesOf, launch, listFolder, nativeNameStatus, nativePreview, nativeRun,
  openPage, paths, pick, putFiles, readStored, serveSite, typeName, waitForText, workFolder,
} from './support.mjs';

const kCreate = '引継ぎデータの作成';
const kNeedInput = '必要なデータを入力してください。';

// Both demo install folders into the page's origin-private file system as "halvor" and "vaults".
async function putDemo(page, demo, extra = []) {
  await putFiles(page, [
    ...filesOf(demo.halvor).map(([path, bytes]) => [`halvor/${path}`, bytes]),
    ...filesOf(demo.vaults).map(([path, bytes]) => [`vaults/${path}`, bytes]),
    ...extra,
  ]);
}

// A fresh page over the demo install folders (not yet in its file system), in its own browser.
async function demoPage(t) {
  const folder = workFolder(t);
  const demo = demoFolders(folder);
  const browser = await launch(t);
  const site = await serveSite(t);
  const page = await openPage(t, browser, site.url);
  return { folder, demo, browser, site, page };
}

async function previewRows(page) {
  return page.$$eval('#preview tbody tr', (rows) => rows.map((tr) => {
    const cells = [...tr.cells].map((td) => td.textContent);
    const depth = Number((/depth-(\d)/.exec(tr.className) || [0, 0])[1]);
    const outcome = ['carried', 'removed', 'failed'].find((o) => tr.classList.contains(o));
    return [depth, Number(cells[1]), cells[0], outcome, cells[3], cells[4], cells[5]];
  }));
}

// The outcome of the run started last (clickCreate clears the result's mark first).
async function waitForOutcome(page, timeout = 60000) {
  await page.waitForFunction(() => document.querySelector('#result').className !== '' &&
    document.querySelector('#progress').hidden, null, { timeout });
}

async function clickCreate(page, timeout) {
  await page.evaluate(() => { document.querySelector('#result').className = ''; });
  await page.click('#create');
  await waitForOutcome(page, timeout);
}

describe('the web edition, served', async () => {
  test("the dialog's live states", async (t) => {
    const { folder, demo, page } = await demoPage(t);

    // All empty.
    assert.equal(await page.textContent('#name-status'), 'ユーザー名を入力してください。');
    assert.deepEqual(await createButton(page), { text: kNeedInput, enabled: false });

    // A valid name with no folders, then with only one: the status says usable, the button stays off.
    await putDemo(page, demo, [['broken/setting.exe', Buffer.alloc(0)], ['broken/halvor.exe', Buffer.alloc(0)]]);
    await typeName(page, 'abcd');
    assert.equal(await page.textContent('#name-status'), '使用可能な名前です。');
    assert.deepEqual(await createButton(page), { text: kNeedInput, enabled: false });
    await pick(page, 'source', 'halvor');
    await page.waitForFunction(() => document.querySelector('#source-folder').value === 'halvor');
    assert.deepEqual(await createButton(page), { text: kNeedInput, enabled: false });

    // A folder without every file the game's folder holds is refused with a line naming the missing one,
    // and the field keeps what it had.
    await pick(page, 'destination', 'broken');
    await waitForText(page, '#destination-note', { includes: 'cr\\a.cr' });
    assert.equal(await page.inputValue('#destination-folder'), '');
    await pick(page, 'source', 'vaults');
    await waitForText(page, '#source-note', { includes: 'halvor.exe' });
    assert.equal(await page.inputValue('#source-folder'), 'halvor');
    // Cancelling the picker changes nothing.
    await page.click('#destination-browse');
    assert.equal(await page.inputValue('#destination-folder'), '');

    await pick(page, 'destination', 'vaults');
    await page.waitForFunction(() => document.querySelector('#destination-folder').value === 'vaults');
    assert.deepEqual(await page.evaluate(() => window.__pickOptions.map((o) => o.mode)),
                     ['read', 'readwrite', 'read', 'readwrite', 'readwrite']);
    assert.deepEqual(await createButton(page), { text: kCreate, enabled: true });

    // Valid folders: three letters are too few, the fourth enables the button.
    await typeName(page, 'abc');
    assert.equal(await page.textContent('#name-status'), '半角4～18(全角2～9)文字に制限されています');
    assert.deepEqual(await createButton(page), { text: kNeedInput, enabled: false });
    await page.type('#user-name', 'd');
    await page.waitForFunction(() => document.querySelector('#name-status').dataset.name === 'abcd');
    assert.equal(await page.textContent('#name-status'), '使用可能な名前です。');
    assert.deepEqual(await createButton(page), { text: kCreate, enabled: true });
  });

  test('usable by keyboard alone, every field labelled', async (t) => {
    const { folder, demo, page } = await demoPage(t);
    await putDemo(page, demo);
    const unlabelled = await page.$$eval('input', (fields) =>
      fields.filter((f) => !document.querySelector(`label[for="${f.id}"]`)).map((f) => f.id));
    assert.deepEqual(unlabelled, []);

    await page.evaluate(() => window.__picks.push('halvor', 'vaults'));
    await page.focus('#source-browse');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelector('#source-folder').value === 'halvor');
    await page.focus('#destination-browse');
    await page.keyboard.press('Space');
    await page.waitForFunction(() => document.querySelector('#destination-folder').value === 'vaults');
    await page.focus('#user-name');
    await page.keyboard.type('Hero');
    await page.waitForFunction(() => !document.querySelector('#create').disabled);

    // Tab walks the controls in the dialog's order; a disabled button, as the dialog's, is not reached.
    const order = [];
    await page.click('h1');  // where a user would start: the top of the page
    for (let i = 0; i < 7; ++i) {
      await page.keyboard.press('Tab');
      order.push(await page.evaluate(() => document.activeElement.id));
    }
    assert.deepEqual(order, ['source-folder', 'source-browse', 'destination-folder', 'destination-browse', 'save-file',
      'user-name', 'create']);
    await page.evaluate(() => { document.querySelector('#result').className = ''; });
    await page.keyboard.press('Enter');
    await waitForOutcome(page);
    assert.match(await page.textContent('#result'), /セーブデータの引継ぎが完了しました。/);
  });

  test('without folder access the page offers the save file and says so', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const browser = await launch(t);
    const site = await serveSite(t);
    const context = await browser.newContext();
    t.after(() => context.close());
    const page = await context.newPage();
    await page.addInitScript(() => { delete window.showDirectoryPicker; });
    await page.goto(site.url);
    await page.waitForSelector('html[data-ready="true"]');
    assert.equal(await page.isDisabled('#source-browse'), true);
    assert.equal(await page.isDisabled('#destination-browse'), true);
    assert.match(await page.textContent('#source-note'), /フォルダを選べません/);

    // Drops as such a browser delivers them: entries and files, no handles.
    const drop = (item) => page.evaluate(([isDirectory, base64]) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const entry = { isDirectory, isFile: !isDirectory };
      const dropped = { kind: 'file', webkitGetAsEntry: () => entry, getAsFile: () => new File([bytes], 'save00.dat') };
      const event = new Event('drop', { bubbles: true, cancelable: true });
      Object.defineProperty(event, 'dataTransfer', { value: { items: [dropped] } });
      document.body.dispatchEvent(event);
    }, item);
    await drop([true, '']);
    await waitForText(page, '#page-note', { includes: 'main\\save\\save00.dat' });
    await drop([false, readFileSync(join(demo.halvor, 'main', 'save', 'save00.dat')).toString('base64')]);
    await waitForText(page, '#save-note', { includes: 'save00.dat' });
    await page.waitForSelector('#preview-section:not([hidden])');
    await typeName(page, 'Hero');
    assert.deepEqual(await createButton(page), { text: kCreate, enabled: true });
    await clickCreate(page);
    assert.deepEqual((await download(page, '#download-save')).bytes, nativeRun(folder, demo.halvor, demo.vaults, 'Hero').save);
  });

  test('name statuses are the core\'s, and the field holds 18 bytes of the game\'s code page', async (t) => {
    const browser = await launch(t);
    const site = await serveSite(t);
    const page = await openPage(t, browser, site.url);
    for (const name of ['', 'abc', 'abcd', 'あ', 'あい', 'Player 01', 'ab/cd', 'バカ野郎', 'COM1', 'Administrator',
      '勇者', 'ｱｲｳｴ', 'a?bc', 'ab"cd', '😀abc']) {
      await typeName(page, name);
      // A character code page 932 cannot hold reaches the core as "?", as the dialog's field hands it on.
      const expected = nativeNameStatus(name.replace('😀', '?'));
      assert.equal(await page.textContent('#name-status'), expected, `status of "${name}"`);
    }
    for (const [typed, kept] of [
      ['abcdefghijklmnopqrstuvwxyz', 'abcdefghijklmnopqr'],
      ['あいうえおかきくけこ', 'あいうえおかきくけ'],
      ['abcdefghijklmnopqあ', 'abcdefghijklmnopq'],
      ['ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ', 'ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂ'],
    ]) {
      await typeName(page, typed);
      assert.equal(await page.inputValue('#user-name'), kept, `"${typed}" in the field`);
    }
  });

  test('folders dropped onto the page are taken as the dialog takes them', async (t) => {
    const { folder, demo, browser, page } = await demoPage(t);
    await putDemo(page, demo, [['other/readme.txt', Buffer.from('x')]]);
    // A drop as the browser delivers it: the first item's handle, asked for during the event.
    const drop = (target, path) => page.evaluate(async ([selector, parts]) => {
      let handle = await navigator.storage.getDirectory();
      for (const part of parts) handle = await handle.getDirectoryHandle(part);
      const item = { kind: 'file', getAsFileSystemHandle: () => Promise.resolve(handle) };
      const event = new Event('drop', { bubbles: true, cancelable: true });
      Object.defineProperty(event, 'dataTransfer', { value: { items: [item] } });
      document.querySelector(selector).dispatchEvent(event);
    }, [target, path.split('/')]);

    await drop('#source-folder', 'vaults');
    await page.waitForFunction(() => document.querySelector('#destination-folder').value === 'vaults');
    assert.equal(await page.inputValue('#source-folder'), '');
    await drop('#destination-folder', 'halvor');
    await page.waitForFunction(() => document.querySelector('#source-folder').value === 'halvor');
    await drop('#user-name', 'other');
    await waitForText(page, '#page-note', { includes: 'other' });
    assert.equal(await page.inputValue('#source-folder'), 'halvor');
    assert.equal(await page.inputValue('#destination-folder'), 'vaults');
  });

  test('the preview is what hvxfer-cli preview shows', async (t) => {
    const { folder, demo, page } = await demoPage(t);
    await putDemo(page, demo);
    await pick(page, 'source', 'halvor');
    await page.waitForSelector('#preview-section:not([hidden])');
    assert.deepEqual(await previewRows(page), nativePreview(demo.halvor));
    assert.match(await page.textContent('#preview-totals'), /引継ぎ 8個 \/ 削除 3個 \/ 失敗 0個/);

    // The second way previews the file itself.
    await page.setInputFiles('#save-file', join(demo.halvor, 'main', 'save', 'save00.dat'));
    await page.waitForFunction(() => document.querySelector('#source-folder').value === '');
    await page.waitForSelector('#preview-section:not([hidden])');
    assert.deepEqual(await previewRows(page), nativePreview(demo.halvor));

    // The ways exclude each other: a folder then takes the file's place, and its preview goes with it.
    await pick(page, 'destination', 'vaults');
    await page.waitForSelector('#preview-section', { state: 'hidden' });
    assert.equal(await page.$eval('#save-file', (input) => input.files.length), 0);
  });

  test('a run the folder way writes the native save into the chosen folder', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    // A leftover of a stopped run, which the run removes as the native one does.
    const leftover = 'Hero.sav.hvxfer-1f-0.tmp';
    const native = nativeRun(folder, demo.halvor, demo.vaults, 'Hero');
    assert.equal(native.status, 0);
    const browser = await launch(t);
    const site = await serveSite(t);
    const page = await openPage(t, browser, site.url);
    await putDemo(page, demo, [[`vaults/save/${leftover}`, Buffer.from('half')],
      [`vaults/save/${leftover}.crswap`, Buffer.from('half')], ['vaults/save/Other.sav', Buffer.from('o')]]);
    await pick(page, 'source', 'halvor');
    await pick(page, 'destination', 'vaults');
    await typeName(page, 'Hero');
    await clickCreate(page);

    assert.match(await page.textContent('#result'), /セーブデータの引継ぎが完了しました。/);
    assert.match(await page.textContent('#result'), /vaults\\save\\Hero\.sav/);
    assert.deepEqual(await readStored(page, 'vaults/save/Hero.sav'), native.save);
    assert.deepEqual(await listFolder(page, 'vaults/save'), ['Hero.sav', 'Other.sav']);
    const report = await download(page, '#download-report');
    assert.equal(report.name, 'log.txt');
    assert.deepEqual(report.bytes, native.report);
    assert.equal(await page.textContent('#report'), new TextDecoder('shift_jis').decode(native.report));
    // The source is only read.
    assert.deepEqual(await readStored(page, 'halvor/main/save/save00.dat'),
                     readFileSync(join(demo.halvor, 'main', 'save', 'save00.dat')));
  });

  test('an existing save is left untouched and the run stops with its error line', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const existing = Buffer.from('the player\'s own save');
    const withSave = join(folder, 'vaults-with-save');
    cpSync(demo.vaults, withSave, { recursive: true });
    mkdirSync(join(withSave, 'save'));
    writeFileSync(join(withSave, 'save', 'Hero.sav'), existing);
    const native = nativeRun(folder, demo.halvor, withSave, 'Hero');
    assert.equal(native.status, 1);
    const browser = await launch(t);
    const site = await serveSite(t);
    const page = await openPage(t, browser, site.url);
    // The run removes what stopped runs left before it looks for the save, as the native one does.
    await putDemo(page, demo, [['vaults/save/Hero.sav', existing], ['vaults/save/Hero.sav.hvxfer-2a-0.tmp', existing]]);
    await pick(page, 'source', 'halvor');
    await pick(page, 'destination', 'vaults');
    await typeName(page, 'Hero');
    await clickCreate(page);

    const line = 'エラー：ユーザー名 "Hero" は出力先に既に存在します。(EL336)';
    assert.match(await page.textContent('#result'), /引継ぎ処理実行中にエラーが発生しました。/);
    assert.ok((await page.textContent('#result')).includes(line));
    assert.equal(await page.textContent('#report'), `${line}\r\n`);
    assert.deepEqual(await readStored(page, 'vaults/save/Hero.sav'), existing);
    assert.deepEqual(await listFolder(page, 'vaults/save'), ['Hero.sav']);
    assert.deepEqual((await download(page, '#download-report')).bytes, native.report);
  });

  test('a failed write in the folder leaves neither the save nor its temporary file', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const browser = await launch(t);
    const site = await serveSite(t);
    for (const [kind, step, code] of [
      ['FileSystemFileHandle', 'createWritable', 543],
      ['FileSystemWritableFileStream', 'write', 543],
      ['FileSystemFileHandle', 'move', 539],
    ]) {
      const page = await openPage(t, browser, site.url);
      await putDemo(page, demo);
      // The browser refuses that step of the write.
      await page.evaluate(([type, name]) => {
        window[type].prototype[name] = () => Promise.reject(new DOMException('refused', 'InvalidStateError'));
      }, [kind, step]);
      await pick(page, 'source', 'halvor');
      await pick(page, 'destination', 'vaults');
      await typeName(page, 'Hero');
      await clickCreate(page);
      const line = code === 543 ? 'エラー：書き込み失敗(EL543)' : 'エラー：ファイル作成失敗(EL539)';
      assert.ok((await page.textContent('#result')).includes(line), `${step}: ${await page.textContent('#result')}`);
      assert.equal(await page.textContent('#report'), `${line}\r\n`);
      assert.deepEqual(await listFolder(page, 'vaults/save'), [], `${step}: what is left in save`);
    }
  });

  test('a folder that lost its files since it was chosen is refused when creating', async (t) => {
    const { folder, demo, page } = await demoPage(t);
    await putDemo(page, demo);
    await pick(page, 'source', 'halvor');
    await pick(page, 'destination', 'vaults');
    await typeName(page, 'Hero');
    await page.waitForFunction(() => !document.querySelector('#create').disabled);
    await page.evaluate(async () => {
      const root = await navigator.storage.getDirectory();
      await (await root.getDirectoryHandle('vaults')).removeEntry('setting.exe');
    });
    await clickCreate(page);
    assert.match(await page.textContent('#result'), /setting\.exe/);
    assert.equal(await page.inputValue('#destination-folder'), '');
    assert.deepEqual(await createButton(page), { text: kNeedInput, enabled: false });
    assert.equal(await readStored(page, 'vaults/save/Hero.sav'), null);
  });

  test('a run the file way gives the native save and report as downloads', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const native = nativeRun(folder, demo.halvor, demo.vaults, '勇者ロト');
    const browser = await launch(t);
    const site = await serveSite(t);
    const page = await openPage(t, browser, site.url);
    await page.setInputFiles('#save-file', join(demo.halvor, 'main', 'save', 'save00.dat'));
    await typeName(page, '勇者ロト');
    assert.deepEqual(await createButton(page), { text: kCreate, enabled: true });
    await clickCreate(page);

    assert.match(await page.textContent('#result'), /セーブデータの引継ぎが完了しました。/);
    assert.match(await page.textContent('#result'), /save\\ に入れてください/);
    const save = await download(page, '#download-save');
    assert.equal(save.name, '勇者ロト.sav');
    assert.deepEqual(save.bytes, native.save);
    const report = await download(page, '#download-report');
    assert.equal(report.name, 'log.txt');
    assert.deepEqual(report.bytes, native.report);
  });

  test('a damaged save00.dat gives its error line and the page stays usable', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const good = join(demo.halvor, 'main', 'save', 'save00.dat');
    const damaged = join(folder, 'save00.dat');
    const bytes = readFileSync(good);
    bytes[0] ^= 0xff;
    writeFileSync(damaged, bytes);
    const native = nativeRun(folder, demo.halvor, demo.vaults, 'Hero', { sourceSave: damaged });
    assert.equal(native.status, 1);
    const line = new TextDecoder('shift_jis').decode(native.report).trim();
    assert.match(line, /\(EL356\)$/);

    const browser = await launch(t);
    const site = await serveSite(t);
    const page = await openPage(t, browser, site.url);
    await page.setInputFiles('#save-file', damaged);
    await waitForText(page, '#preview-totals', line);
    await typeName(page, 'Hero');
    await clickCreate(page);
    assert.ok((await page.textContent('#result')).includes(line), 'the error line in the outcome');
    assert.equal(await page.$('#download-save'), null);
    assert.deepEqual((await download(page, '#download-report')).bytes, native.report);

    // The same page then runs the good file.
    await page.setInputFiles('#save-file', good);
    await clickCreate(page);
    assert.match(await page.textContent('#result'), /セーブデータの引継ぎが完了しました。/);
    assert.deepEqual((await download(page, '#download-save')).bytes, nativeRun(folder, demo.halvor, demo.vaults, 'Hero').save);
  });

  test('a 200 000-item save finishes with progress shown while the page answers input', { skip: !paths.largeSave &&
    'HVXFER_LARGE_SAVE names no save (scripts/test.sh makes one)' }, async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const native = nativeRun(folder, demo.halvor, demo.vaults, 'Hero', { sourceSave: paths.largeSave });
    assert.equal(native.status, 0);
    const browser = await launch(t);
    const site = await serveSite(t);
    const page = await openPage(t, browser, site.url);
    await page.setInputFiles('#save-file', paths.largeSave);
    await typeName(page, 'Hero');
    await page.evaluate(() => { document.querySelector('#result').className = ''; });
    await page.click('#create');
    await page.waitForSelector('#progress:not([hidden])', { timeout: 20000 });
    // While the run goes on, the page takes typing and the name's status follows it.
    await typeName(page, 'ab');
    assert.equal(await page.textContent('#name-status'), '半角4～18(全角2～9)文字に制限されています');
    assert.equal(await page.isVisible('#progress'), true, 'the run was still going');
    await waitForOutcome(page, 300000);
    assert.match(await page.textContent('#result'), /セーブデータの引継ぎが完了しました。/);
    const save = await download(page, '#download-save');
    assert.equal(save.name, 'Hero.sav');
    assert.ok(save.bytes.equals(native.save), 'the new save is the native one');
    assert.ok((await download(page, '#download-report')).bytes.equals(native.report), 'the report is the native one');
  });
});

describe('privacy', async () => {
  test('nothing is requested once the page is loaded', async (t) => {
    const { demo, site, page } = await demoPage(t);
    const loaded = site.requests.length;
    const later = [];
    page.on('request', (request) => later.push(request.url()));
    await putDemo(page, demo);
    await pick(page, 'source', 'halvor');
    await pick(page, 'destination', 'vaults');
    await page.waitForSelector('#preview-section:not([hidden])');
    await typeName(page, 'Hero');
    await clickCreate(page);
    await download(page, '#download-report');
    await page.setInputFiles('#save-file', join(demo.halvor, 'main', 'save', 'save00.dat'));
    await typeName(page, 'Heroine');
    await clickCreate(page);
    await download(page, '#download-save');
    assert.deepEqual(site.requests.slice(loaded), []);
    assert.deepEqual(later.filter((url) => !url.startsWith('blob:')), []);

    // What the page loaded at all: its own files, and a policy that allows nothing from elsewhere.
    assert.deepEqual([...site.requests.slice(0, loaded)].sort(),
                     ['/', '/app.js', '/hvxfer-core.wasm', '/main.cr', '/style.css', '/worker.js']);
    const policy = await page.$eval('meta[http-equiv="Content-Security-Policy"]', (m) => m.content);
    assert.match(policy, /default-src 'none'/);
    assert.doesNotMatch(policy, /https?:|\*/);
  });
});

describe('hvxfer.html opened from disk', async () => {
  test('the single file runs the file way with the native results', async (t) => {
    const folder = workFolder(t);
    const demo = demoFolders(folder);
    const native = nativeRun(folder, demo.halvor, demo.vaults, 'Hero');
    const browser = await launch(t);
    const page = await openPage(t, browser, pathToFileURL(join(paths.web, 'hvxfer.html')).href, { picker: false });
    const requests = [];
    page.on('request', (request) => requests.push(request.url()));
    await typeName(page, 'abc');
    assert.equal(await page.textContent('#name-status'), '半角4～18(全角2～9)文字に制限されています');
    await page.setInputFiles('#save-file', join(demo.halvor, 'main', 'save', 'save00.dat'));
    await page.waitForSelector('#preview-section:not([hidden])');
    assert.deepEqual(await previewRows(page), nativePreview(demo.halvor));
    await typeName(page, 'Hero');
    await clickCreate(page);
    assert.deepEqual((await download(page, '#download-save')).bytes, native.save);
    assert.deepEqual((await download(page, '#download-report')).bytes, native.report);
    assert.deepEqual(requests.filter((url) => !url.startsWith('blob:')), []);
  });
});
