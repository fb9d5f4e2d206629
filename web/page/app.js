// The page: the dialog's three inputs, its live checks and its run, made for a browser. It holds no
// knowledge of the formats: which files make an install folder, what a name may be, what a run writes and
// every text about them come from the core, which runs in Web Workers (worker.js).
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);

  // The dialog's own texts, and the page's where the dialog has none.
  const T = {
    sourceLabel: 'Halvor がインストールされているフォルダ',
    destinationLabel: 'The Vaults Of The GreyHarbor がインストールされているフォルダ',
    choose: 'を選択してください。',
    create: '引継ぎデータの作成',
    needInput: '必要なデータを入力してください。',
    done: 'セーブデータの引継ぎが完了しました。',
    doneDetail: '引き継がれたアイテムに関する詳しい情報は、このページの下の log.txt を参照してください。',
    failed: '引継ぎ処理実行中にエラーが発生しました。',
    failedDetail: '詳しい内容は、このページの下の log.txt を参照してください。',
    refused: (name, missing, label) => `「${name}」には ${missing} がないため選べません。${label}${T.choose}`,
    droppedNeither: (name) => `ドロップされた「${name}」は、どちらのゲームのインストールフォルダでもありません。`,
    droppedFolderNoAccess: (save) =>
      `このブラウザではフォルダを使えません。フォルダの中の ${save} を選ぶか、ドロップしてください。`,
    noFolderAccess: 'このブラウザではフォルダを選べません。下のセーブデータのファイルを使ってください。',
    noFolderAccessEn: 'This browser cannot open folders: use the save file below.',
    fileWay: (save, output) =>
      `セーブデータのファイルを使うときは、インストールフォルダの確認と、同じ名前のセーブデータがすでにあるかの確認は` +
      `できないため行いません。できた新しいセーブデータは The Vaults Of The GreyHarbor のフォルダの ${output}\\ に` +
      `入れてください(${save} は読むだけで、変更しません)。`,
    fileChosen: (name, size) => `「${name}」(${size.toLocaleString('ja-JP')} バイト)を使います。`,
    written: (path) => `新しいセーブデータ: ${path}`,
    saveDownload: (name, output) =>
      `${name} を保存して、The Vaults Of The GreyHarbor のフォルダの ${output}\\ に入れてください。`,
    saveLink: (name) => `${name} を保存`,
    reportLink: 'log.txt を保存',
    permission: 'The Vaults Of The GreyHarbor のフォルダへの書き込みが許可されなかったため、作成しませんでした。',
    progressRead: 'セーブデータを読み込んでいます',
    progressRun: '引継ぎデータを作成しています',
    progressWrite: '新しいセーブデータを書き込んでいます',
    progressPreview: 'プレビューを作成しています',
    seconds: (s) => `… ${s} 秒`,
    outcome: { carried: '引継ぎ', removed: '削除', failed: '失敗' },
    totals: (p) => `引継ぎ ${p.carried}個 / 削除 ${p.removed}個 / 失敗 ${p.failed}個(最上位のアイテムの数)`,
    more: (shown, rows) => `表示は最初の ${shown} 行までです(全 ${rows} 行)。`,
    loading: 'ページを準備しています…',
    loadFailed: (why) => `ページのデータを読み込めませんでした: ${why}`,
    workerFailed: (why) => `処理が途中で止まりました: ${why}`,
  };

  const kPreviewRows = 2000;
  // A report of a large save has a line per item: it is laid out in blocks of this many lines, and the
  // browser skips the layout of the blocks out of sight (laying out 200 000 lines at once would hold the
  // page still for seconds).
  const kReportBlockLines = 500;
  const kProgressDelayMs = 500;

  // ---- The core: one compiled module, any number of workers ----

  let compiled = null;  // { module, archive, workerUrl }

  function bytesOfBase64(text) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // The single-file edition carries its parts inside the page; the site fetches them beside it.
  async function loadParts() {
    const inline = (id) => document.getElementById(id);
    if (inline('core-wasm')) {
      return {
        wasm: bytesOfBase64(inline('core-wasm').textContent),
        archive: bytesOfBase64(inline('core-data').textContent),
        worker: new TextDecoder().decode(bytesOfBase64(inline('core-worker').textContent)),
      };
    }
    const fetchPart = async (name) => {
      const response = await fetch(name);
      if (!response.ok) throw new Error(`${name}: ${response.status}`);
      return response;
    };
    const [wasm, archive, worker] = await Promise.all([
      fetchPart('hvxfer-core.wasm').then((r) => r.arrayBuffer()),
      fetchPart('main.cr').then((r) => r.arrayBuffer()),
      fetchPart('worker.js').then((r) => r.text()),
    ]);
    return { wasm: new Uint8Array(wasm), archive: new Uint8Array(archive), worker };
  }

  // A page opened from disk may not start a worker from a file, but may from a Blob.
  async function compileCore() {
    const parts = await loadParts();
    const module = await WebAssembly.compile(parts.wasm);
    const workerUrl = URL.createObjectURL(new Blob([parts.worker], { type: 'text/javascript' }));
    compiled = { module, archive: parts.archive, workerUrl };
  }

  class CoreWorker {
    constructor() {
      this.worker = new Worker(compiled.workerUrl);
      this.pending = new Map();
      this.next = 1;
      this.worker.onmessage = (event) => {
        const { id, result, error } = event.data;
        const call = this.pending.get(id);
        if (!call) return;
        this.pending.delete(id);
        if (error !== undefined) call.reject(new Error(error));
        else call.resolve(result);
      };
      this.worker.onerror = (event) => {
        event.preventDefault();
        this.failAll(new Error(event.message || 'worker error'));
      };
      this.ready = this.call('init', { module: compiled.module, archive: compiled.archive.slice().buffer });
    }

    call(op, args = {}, transfer = []) {
      return new Promise((resolve, reject) => {
        const id = this.next++;
        this.pending.set(id, { resolve, reject });
        this.worker.postMessage({ id, op, args }, transfer);
      });
    }

    failAll(error) {
      for (const call of this.pending.values()) call.reject(error);
      this.pending.clear();
    }

    // A run's or a preview's heap is given back whole: each has a worker of its own, ended afterwards.
    terminate() {
      this.worker.terminate();
      this.failAll(Object.assign(new Error('cancelled'), { cancelled: true }));
    }
  }

  async function withOwnWorker(job) {
    const worker = new CoreWorker();
    try {
      await worker.ready;
      return await job(worker);
    } finally {
      worker.terminate();
    }
  }

  // ---- What the page knows ----

  let checks = null;  // the worker for the quick questions (names, folders, report lines)
  let layout = null;  // from the core: markers, the source save, the output folder, the page's failure codes
  const state = {
    source: null,        // FileSystemDirectoryHandle of an accepted Halvor install folder
    destination: null,   // … of an accepted Vaults install folder
    saveFile: null,      // File of the second way
    name: { usable: false, text: '' },
    nameAsked: 0,
    running: false,
    preview: null,       // the CoreWorker of the preview being made
  };
  const hasFolderAccess = typeof window.showDirectoryPicker === 'function';

  // ---- Folders ----

  async function handleAt(folder, parts, kind) {
    let dir = folder;
    try {
      for (const part of parts.slice(0, -1)) dir = await dir.getDirectoryHandle(part);
      const last = parts[parts.length - 1];
      return kind === 'directory' ? await dir.getDirectoryHandle(last) : await dir.getFileHandle(last);
    } catch {
      return null;
    }
  }

  function allMarkers() {
    const seen = new Map();
    for (const marker of [...layout.source, ...layout.destination]) seen.set(marker.text, marker);
    return [...seen.values()];
  }

  // Which marker files of either game the folder holds.
  async function markersIn(folder) {
    const found = await Promise.all(allMarkers().map(async (m) => ((await handleAt(folder, m.parts)) ? m : null)));
    return found.filter(Boolean);
  }

  async function folderKind(folder) {
    const present = await markersIn(folder);
    const kind = await checks.call('folderKind', { folder: { present: present.map((m) => m.parts) } });
    const texts = new Set(present.map((m) => m.text));
    kind.missing = (markers) => markers.find((m) => !texts.has(m.text));
    return kind;
  }

  function setNote(id, text) {
    $(id).textContent = text || '';
  }

  function setFolder(which, handle) {
    state[which] = handle;
    $(`${which}-folder`).value = handle ? handle.name : '';
    setNote(`${which}-note`, '');
    // The two ways exclude each other: a folder replaces a chosen save file, and the preview made of it.
    if (handle && state.saveFile) {
      clearSaveFile();
      clearPreview();
    }
  }

  function clearSaveFile() {
    state.saveFile = null;
    $('save-file').value = '';
    setNote('save-note', '');
  }

  async function browse(which) {
    let handle;
    try {
      handle = await window.showDirectoryPicker({
        id: `hvxfer-${which}`,
        mode: which === 'source' ? 'read' : 'readwrite',
      });
    } catch (error) {
      // Cancelling leaves the field as it was.
      if (error.name !== 'AbortError') setNote(`${which}-note`, String(error.message || error));
      return;
    }
    const kind = await folderKind(handle);
    if (kind[which]) {
      setFolder(which, handle);
      if (which === 'source') startPreview();
    } else {
      refuse(which, handle, kind);
    }
    updateInputState();
  }

  // As the dialog's folder browser keeps its OK button off: the field keeps what it had, a line says why.
  function refuse(which, handle, kind) {
    const label = which === 'source' ? T.sourceLabel : T.destinationLabel;
    const line = T.refused(handle.name, kind.missing(layout[which]).text, label);
    setNote(`${which}-note`, line);
    return line;
  }

  // As the dialog takes a dropped folder: a Halvor install folder is the source, else a Vaults one the
  // destination, else nothing. A dropped file is the second way's save.
  async function takeDropped(item) {
    if (item.handle) {
      const handle = await item.handle;
      if (!handle) return;
      if (handle.kind === 'file') {
        chooseSaveFile(await handle.getFile());
        return;
      }
      const kind = await folderKind(handle);
      if (kind.source) {
        setFolder('source', handle);
        startPreview();
      } else if (kind.destination) {
        setFolder('destination', handle);
      } else {
        setNote('page-note', T.droppedNeither(handle.name));
      }
      updateInputState();
    } else if (item.isFolder) {
      setNote('page-note', T.droppedFolderNoAccess(layout.sourceSave.text));
    } else if (item.file) {
      chooseSaveFile(item.file);
    }
  }

  // ---- The second way: the save file itself ----

  function chooseSaveFile(file) {
    setFolder('source', null);
    setFolder('destination', null);
    state.saveFile = file;
    setNote('save-note', T.fileChosen(file.name, file.size));
    startPreview();
    updateInputState();
  }

  // The stand-in folders of the second way: the install-folder checks cannot apply to a lone file, so the
  // run is given folders that hold nothing but the markers it tests for, and the page says so.
  function fileWayFolders(bytes) {
    return {
      source: { present: layout.source.map((m) => m.parts), files: [{ parts: layout.sourceSave.parts, bytes }] },
      destination: { present: layout.destination.map((m) => m.parts) },
    };
  }

  async function sourceFolderFacts(folder) {
    const present = await markersIn(folder);
    const file = { parts: layout.sourceSave.parts, bytes: new ArrayBuffer(0) };
    const handle = await handleAt(folder, layout.sourceSave.parts);
    if (handle) {
      try {
        file.bytes = await (await handle.getFile()).arrayBuffer();
      } catch {
        file.unreadable = true;
      }
    }
    return { present: present.map((m) => m.parts), files: handle ? [file] : [] };
  }

  async function destinationFolderFacts(folder) {
    const present = await markersIn(folder);
    const entries = [];
    const output = await handleAt(folder, layout.outputFolder.parts, 'directory');
    if (output) {
      for await (const [name, handle] of output.entries()) {
        entries.push({ parts: [...layout.outputFolder.parts, name], folder: handle.kind === 'directory' });
      }
    }
    return { present: present.map((m) => m.parts), entries };
  }

  // ---- The name ----

  async function askName() {
    const field = $('user-name');
    const asked = ++state.nameAsked;
    const name = field.value;
    const status = await checks.call('nameStatus', { name });
    if (asked !== state.nameAsked) return;
    // The field holds what fits the dialog's limit, counted in the bytes the game's code page gives it.
    const characters = Array.from(name);
    if (status.keep < characters.length && !state.composing) {
      field.value = characters.slice(0, status.keep).join('');
    }
    state.name = status;
    $('name-status').textContent = status.text;
    // Which text the status is about, for whoever waits for it.
    $('name-status').dataset.name = field.value;
    $('name-status').classList.toggle('bad', !status.usable);
    updateInputState();
  }

  // The dialog's rule: the button is enabled exactly when both folders (here: or the save file) and the
  // name pass.
  function updateInputState() {
    const inputs = state.saveFile !== null || (state.source !== null && state.destination !== null);
    const ok = layout !== null && inputs && state.name.usable;
    const button = $('create');
    button.textContent = ok ? T.create : T.needInput;
    button.disabled = !ok || state.running;
  }

  // ---- Progress ----

  // Shown once a task has taken longer than half a second: what it does and for how long.
  function startProgress(box, label) {
    const started = performance.now();
    let stage = '';
    let shown = false;
    const show = () => {
      box.hidden = false;
      label.textContent = stage + T.seconds(Math.floor((performance.now() - started) / 1000));
    };
    const timer = setInterval(() => {
      if (performance.now() - started >= kProgressDelayMs) {
        shown = true;
        show();
      }
    }, 100);
    return {
      stage(text) {
        stage = text;
        if (shown) show();
      },
      stop() {
        clearInterval(timer);
        box.hidden = true;
      },
    };
  }

  // ---- Preview ----

  function clearPreview() {
    if (state.preview) state.preview.terminate();
    state.preview = null;
    $('preview-section').hidden = true;
    $('preview').tBodies[0].replaceChildren();
  }

  function renderPreview(preview) {
    const body = $('preview').tBodies[0];
    const rows = [];
    for (const [depth, id, oldName, outcome, newName, category, baseId] of preview.items) {
      const tr = document.createElement('tr');
      tr.className = `${outcome} depth-${Math.min(depth, 3)}`;
      for (const text of [oldName, String(id), T.outcome[outcome], newName, category, baseId]) {
        const td = document.createElement('td');
        td.textContent = text;
        tr.appendChild(td);
      }
      rows.push(tr);
    }
    body.replaceChildren(...rows);
    $('preview-totals').textContent = preview.code === 0 ? T.totals(preview) : preview.errorLine.trim();
    $('preview-totals').classList.toggle('bad', preview.code !== 0);
    $('preview').hidden = preview.code !== 0;
    $('preview-more').textContent = preview.rows > preview.items.length ? T.more(preview.items.length, preview.rows) : '';
    $('preview-section').hidden = false;
  }

  async function startPreview() {
    clearPreview();
    const source = state.source, saveFile = state.saveFile;
    if (!source && !saveFile) return;
    const progress = startProgress($('preview-progress'), $('preview-progress-text'));
    progress.stage(T.progressPreview);
    const worker = new CoreWorker();
    state.preview = worker;
    try {
      const folder = saveFile
        ? fileWayFolders(await saveFile.arrayBuffer()).source
        : await sourceFolderFacts(source);
      await worker.ready;
      const preview = await worker.call('preview', { source: folder, maxRows: kPreviewRows },
                                        (folder.files || []).map((f) => f.bytes));
      if (state.preview === worker) renderPreview(preview);
    } catch (error) {
      if (!error.cancelled) setNote('page-note', T.workerFailed(error.message));
    } finally {
      progress.stop();
      if (state.preview === worker) {
        state.preview = null;
        worker.terminate();
      }
    }
  }

  // ---- The run ----

  let downloadUrls = [];

  function downloadLink(name, bytes, id, text) {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    downloadUrls.push(url);
    const a = document.createElement('a');
    a.id = id;
    a.href = url;
    a.download = name;
    a.textContent = text;
    a.className = 'download';
    return a;
  }

  function showOutcome({ ok, errorLine, lines, report, reportBytes, save }) {
    for (const url of downloadUrls) URL.revokeObjectURL(url);
    downloadUrls = [];
    const result = $('result');
    result.replaceChildren();
    const add = (text, cls) => {
      const span = document.createElement('span');
      span.textContent = text;
      if (cls) span.className = cls;
      result.append(span);
    };
    add(ok ? T.done : T.failed, ok ? 'good' : 'bad');
    if (errorLine) add(errorLine, 'error-line');
    for (const line of lines) add(line);
    if (report !== undefined) add(ok ? T.doneDetail : T.failedDetail);
    result.className = ok ? 'ok' : 'failed';

    const downloads = $('downloads');
    downloads.replaceChildren();
    if (save) downloads.append(downloadLink(save.name, save.bytes, 'download-save', T.saveLink(save.name)));
    if (reportBytes) downloads.append(downloadLink('log.txt', reportBytes, 'download-report', T.reportLink));
    $('outcome').hidden = false;

    $('report').replaceChildren(...reportBlocks(report || ''));
    $('report-section').hidden = report === undefined;
  }

  function reportBlocks(report) {
    const lines = report.match(/[^\n]*\n|[^\n]+$/g) || [];
    const blocks = [];
    for (let i = 0; i < lines.length; i += kReportBlockLines) {
      const block = document.createElement('span');
      block.className = 'report-block';
      block.textContent = lines.slice(i, i + kReportBlockLines).join('');
      blocks.push(block);
    }
    return blocks;
  }

  function errorLineOf(run) {
    return !run.saveFile && !run.ok ? run.report.trim() : '';
  }

  async function failureReport(code) {
    const failure = await checks.call('failureReport', { code });
    return { report: failure.report, reportBytes: failure.reportBytes };
  }

  class WriteFailure extends Error {
    constructor(code) {
      super(`failure ${code}`);
      this.code = code;
    }
  }

  async function exists(folder, name) {
    try {
      await folder.getFileHandle(name);
      return true;
    } catch (error) {
      // A folder of that name is not a save; creating over it fails later, as the native run's does.
      return error.name === 'TypeMismatchError';
    }
  }

  let unfinishedCount = 0;

  // What the run removed from its mirror of the output folder, temporary files of stopped runs, goes from
  // the real folder too. Chromium writes through "<name>.crswap" beside a file: a stopped page can leave
  // that as well.
  async function removeLeftovers(destination, names) {
    const folder = await handleAt(destination, layout.outputFolder.parts, 'directory');
    if (!folder) return;
    for (const name of names) {
      for (const leftover of [name, `${name}.crswap`]) await folder.removeEntry(leftover).catch(() => {});
    }
  }

  // The new save into the user's folder, as the native run writes it: under a temporary name beside its
  // own, then moved to its name, never over an existing file. What the browser cannot make as safe is in
  // web/README.md ("What the browser cannot make safe").
  async function writeNewSave(destination, saveFile, bytes) {
    let folder = destination;
    try {
      for (const part of layout.outputFolder.parts) folder = await folder.getDirectoryHandle(part, { create: true });
    } catch {
      throw new WriteFailure(layout.codes.outputFolder);
    }
    const mark = crypto.getRandomValues(new Uint32Array(1))[0];
    const { name: temporary } = await checks.call('unfinishedName', { saveFile, mark, count: unfinishedCount++ });
    if (await exists(folder, saveFile)) throw new WriteFailure(layout.codes.create);
    let handle;
    try {
      handle = await folder.getFileHandle(temporary, { create: true });
    } catch {
      throw new WriteFailure(layout.codes.create);
    }
    const removeTemporary = () => folder.removeEntry(temporary).catch(() => {});
    let writable = null;
    try {
      writable = await handle.createWritable();
      await writable.write(bytes);
      await writable.close();
    } catch {
      // Aborting drops what Chromium had written aside; the temporary file then goes.
      if (writable) await writable.abort().catch(() => {});
      await removeTemporary();
      throw new WriteFailure(layout.codes.write);
    }
    try {
      // move() replaces an existing file: the name is tested once more right before it.
      if (typeof handle.move !== 'function' || (await exists(folder, saveFile))) throw new Error('no move');
      await handle.move(saveFile);
    } catch {
      await removeTemporary();
      throw new WriteFailure(layout.codes.create);
    }
  }

  async function runFolderWay(progress, { source: sourceFolder, destination, name }) {
    let permission = await destination.queryPermission({ mode: 'readwrite' });
    if (permission !== 'granted') permission = await destination.requestPermission({ mode: 'readwrite' });
    if (permission !== 'granted') {
      showOutcome({ ok: false, lines: [T.permission] });
      return;
    }
    progress.stage(T.progressRead);
    // A folder that lost its files since it was chosen is refused as the browse would refuse it: the run
    // would name it by the in-memory path it is mirrored to, which means nothing to the user.
    for (const [which, folder] of [['source', sourceFolder], ['destination', destination]]) {
      const kind = await folderKind(folder);
      if (!kind[which]) {
        const line = refuse(which, folder, kind);
        setFolder(which, null);
        setNote(`${which}-note`, line);
        if (which === 'source') clearPreview();
        showOutcome({ ok: false, lines: [line] });
        return;
      }
    }
    const source = await sourceFolderFacts(sourceFolder);
    const destinationFacts = await destinationFolderFacts(destination);
    progress.stage(T.progressRun);
    const run = await withOwnWorker((worker) =>
      worker.call('run', { source, destination: destinationFacts, name }, source.files.map((f) => f.bytes)));
    let outcome = { ok: run.ok, errorLine: errorLineOf(run), lines: [], report: run.report, reportBytes: run.reportBytes };
    if (run.removed.length) await removeLeftovers(destination, run.removed);
    if (run.saveFile) {
      progress.stage(T.progressWrite);
      try {
        await writeNewSave(destination, run.saveFile, run.saveBytes);
        const path = [destination.name, ...layout.outputFolder.parts, run.saveFile].join('\\');
        outcome.lines.push(T.written(path));
      } catch (error) {
        if (!(error instanceof WriteFailure)) throw error;
        const failure = await failureReport(error.code);
        outcome = { ok: false, errorLine: failure.report.trim(), lines: [], ...failure };
      }
    }
    showOutcome(outcome);
  }

  async function runFileWay(progress, { saveFile, name }) {
    progress.stage(T.progressRead);
    const bytes = await saveFile.arrayBuffer();
    const folders = fileWayFolders(bytes);
    progress.stage(T.progressRun);
    const run = await withOwnWorker((worker) => worker.call('run', { ...folders, name }, [bytes]));
    const outcome = { ok: run.ok, errorLine: errorLineOf(run), lines: [], report: run.report, reportBytes: run.reportBytes };
    if (run.saveFile) {
      outcome.save = { name: run.saveFile, bytes: run.saveBytes };
      outcome.lines.push(T.saveDownload(run.saveFile, layout.outputFolder.text));
    }
    showOutcome(outcome);
  }

  async function create() {
    if (state.running || $('create').disabled) return;
    state.running = true;
    updateInputState();
    setNote('page-note', '');
    const progress = startProgress($('progress'), $('progress-text'));
    // The inputs as they are when the button is pressed; typing during the run changes the next one.
    const inputs = { source: state.source, destination: state.destination, saveFile: state.saveFile,
                     name: $('user-name').value };
    try {
      if (inputs.saveFile) await runFileWay(progress, inputs);
      else await runFolderWay(progress, inputs);
    } catch (error) {
      showOutcome({ ok: false, lines: [T.workerFailed(error.message)] });
    } finally {
      progress.stop();
      state.running = false;
      updateInputState();
    }
  }

  // ---- Wiring ----

  function wire() {
    $('source-browse').addEventListener('click', () => browse('source'));
    $('destination-browse').addEventListener('click', () => browse('destination'));
    $('save-file').addEventListener('change', () => {
      const file = $('save-file').files[0];
      if (file) chooseSaveFile(file);
    });
    const name = $('user-name');
    name.addEventListener('compositionstart', () => { state.composing = true; });
    name.addEventListener('compositionend', () => { state.composing = false; askName(); });
    name.addEventListener('input', askName);
    $('dialog').addEventListener('submit', (event) => {
      event.preventDefault();
      create();
    });

    document.addEventListener('dragover', (event) => {
      event.preventDefault();
      document.body.classList.add('dragging');
    });
    document.addEventListener('dragleave', (event) => {
      if (event.relatedTarget === null) document.body.classList.remove('dragging');
    });
    document.addEventListener('drop', (event) => {
      event.preventDefault();
      document.body.classList.remove('dragging');
      setNote('page-note', '');
      // The dialog takes the first dropped path only. Its handle must be asked for before the event ends.
      const first = [...event.dataTransfer.items].find((item) => item.kind === 'file');
      if (!first || !layout) return;
      const dropped = {};
      if (hasFolderAccess && typeof first.getAsFileSystemHandle === 'function') {
        dropped.handle = first.getAsFileSystemHandle();
      } else {
        const entry = first.webkitGetAsEntry ? first.webkitGetAsEntry() : null;
        dropped.isFolder = Boolean(entry && entry.isDirectory);
        dropped.file = first.getAsFile();
      }
      takeDropped(dropped).catch((error) => setNote('page-note', String(error.message || error)));
    });
  }

  async function start() {
    wire();
    if (!hasFolderAccess) {
      for (const id of ['source-browse', 'destination-browse']) $(id).disabled = true;
      setNote('source-note', T.noFolderAccess);
      $('source-note').append(Object.assign(document.createElement('span'),
        { lang: 'en', className: 'help', textContent: ` ${T.noFolderAccessEn}` }));
    }
    setNote('page-note', T.loading);
    try {
      await compileCore();
      checks = new CoreWorker();
      layout = await checks.ready;
    } catch (error) {
      setNote('page-note', T.loadFailed(error.message || error));
      return;
    }
    setNote('page-note', '');
    $('save-path').textContent = `(${layout.sourceSave.text})`;
    $('file-way-note').textContent = T.fileWay(layout.sourceSave.text, layout.outputFolder.text);
    await askName();
    document.documentElement.dataset.ready = 'true';
  }

  start();
})();
