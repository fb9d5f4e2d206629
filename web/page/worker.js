// The core in a Web Worker (this file follows Emscripten's generated loader, createHvxferCore). The page
// tells it what it found in the chosen folders; the worker mirrors that into Emscripten's in-memory file
// system and asks the core, which therefore checks, reads, converts and writes exactly as the native tools
// do. The worker never reaches a real file or the network.
'use strict';

let core = null;
let layout = null;
let probes = 0;

// Places in the in-memory file system.
const kArchive = '/data/main.cr';
const kReport = '/out/log.txt';
const kSource = '/run/halvor';
const kDestination = '/run/vaults';

function callJson(name, types, args) {
  return JSON.parse(core.ccall(name, 'string', types, args));
}

function makeFolders(path) {
  let at = '';
  for (const part of path.split('/').filter(Boolean)) {
    at += '/' + part;
    if (!core.FS.analyzePath(at).exists) core.FS.mkdir(at);
  }
}

function writeFile(root, parts, bytes) {
  makeFolders(root + '/' + parts.slice(0, -1).join('/'));
  core.FS.writeFile(root + '/' + parts.join('/'), bytes);
}

// A folder as the page found it: the marker files present (empty here: the core only tests that they are
// there), the files whose bytes matter, and the entries of folders whose names matter.
//   folder = { present: [parts…], files: [{ parts, bytes, unreadable }], entries: [{ parts, folder }] }
function mirror(root, folder) {
  makeFolders(root);
  for (const parts of folder.present || []) writeFile(root, parts, new Uint8Array(0));
  for (const file of folder.files || []) {
    writeFile(root, file.parts, new Uint8Array(file.bytes));
    // A file the browser could not read stays one the core cannot open.
    if (file.unreadable) core.FS.chmod(root + '/' + file.parts.join('/'), 0);
  }
  for (const entry of folder.entries || []) {
    if (entry.folder) {
      makeFolders(root + '/' + entry.parts.join('/'));
    } else {
      writeFile(root, entry.parts, new Uint8Array(0));
    }
  }
}

function removeTree(path) {
  const FS = core.FS;
  if (!FS.analyzePath(path).exists) return;
  if (FS.isDir(FS.stat(path).mode)) {
    for (const name of FS.readdir(path)) {
      if (name !== '.' && name !== '..') removeTree(path + '/' + name);
    }
    FS.rmdir(path);
  } else {
    FS.unlink(path);
  }
}

function names(path) {
  return core.FS.analyzePath(path).exists ? core.FS.readdir(path).filter((n) => n !== '.' && n !== '..') : [];
}

const operations = {
  async init({ module, archive }) {
    core = await createHvxferCore({
      // The page compiled the module once; every worker instantiates it without fetching anything.
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(module, imports).then((instance) => done(instance, module));
        return {};
      },
      print: () => {},
      printErr: (text) => console.warn('core:', text),
    });
    writeFile('', kArchive.split('/').filter(Boolean), new Uint8Array(archive));
    makeFolders('/out');
    const loaded = callJson('hvxfer_web_load', ['string'], [kArchive]);
    if (!loaded.loaded) throw new Error(loaded.problem);
    layout = callJson('hvxfer_web_layout', [], []);
    return layout;
  },

  nameStatus({ name }) {
    return callJson('hvxfer_web_name_status', ['string'], [name]);
  },

  folderKind({ folder }) {
    const root = '/probe/' + ++probes;
    mirror(root, folder);
    try {
      return callJson('hvxfer_web_folder_kind', ['string'], [root]);
    } finally {
      removeTree(root);
    }
  },

  preview({ source, maxRows }) {
    mirror(kSource, source);
    return callJson('hvxfer_web_preview', ['string', 'number'], [kSource, maxRows]);
  },

  run({ source, destination, name }) {
    mirror(kSource, source);
    mirror(kDestination, destination);
    const outputFolder = kDestination + '/' + layout.outputFolder.parts.join('/');
    const before = names(outputFolder);
    const result = callJson('hvxfer_web_run', ['string', 'string', 'string', 'string'],
                            [kSource, kDestination, name, kReport]);
    const after = new Set(names(outputFolder));
    // What the core removed from the output folder are temporary files of stopped runs: the page removes
    // the same names from the real folder.
    result.removed = before.filter((n) => !after.has(n));
    result.reportBytes = core.FS.readFile(kReport);
    if (result.saveFile) result.saveBytes = core.FS.readFile(outputFolder + '/' + result.saveFile);
    return result;
  },

  failureReport({ code }) {
    const result = callJson('hvxfer_web_failure_report', ['number', 'string'], [code, kReport]);
    result.reportBytes = core.FS.readFile(kReport);
    return result;
  },

  unfinishedName({ saveFile, mark, count }) {
    return callJson('hvxfer_web_unfinished_name', ['string', 'number', 'number'], [saveFile, mark, count]);
  },
};

self.onmessage = async (event) => {
  const { id, op, args } = event.data;
  try {
    const result = await operations[op](args);
    const transfer = [];
    for (const key of ['reportBytes', 'saveBytes']) {
      if (result && result[key]) transfer.push(result[key].buffer);
    }
    self.postMessage({ id, result }, transfer);
  } catch (error) {
    self.postMessage({ id, error: String((error && error.message) || error) });
  }
};
