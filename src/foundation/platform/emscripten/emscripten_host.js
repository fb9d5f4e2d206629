// The JavaScript half of the POSIX layer's host under Emscripten (emscripten_host.cpp), linked into every
// program with the platform layer (cmake/wasm.cmake). Emscripten's runtime is written for a browser: where
// Node.js runs the program on its real files (NODERAWFS), what the program is, whether a stream is a
// terminal, a rename that keeps an existing name and flushing to the disk are asked of Node itself. Among
// files in memory (a page's) there is no program file, no terminal and nothing to flush.
mergeInto(LibraryManager.library, {
  // The program is the script that node runs; among files in memory there is no program file.
  hvxfer_program_path: function(buffer, size) {
#if NODERAWFS
    if (process.argv.length < 2) return 0;
    var path;
    try {
      path = require('fs').realpathSync(process.argv[1]);
    } catch (e) {
      return 0;
    }
    var needed = lengthBytesUTF8(path) + 1;
    if (needed <= size) stringToUTF8(path, buffer, size);
    return needed;
#else
    return 0;
#endif
  },

  // Emscripten calls every standard stream a terminal. With Node's files a descriptor stands for one of
  // Node's, which Node can tell.
#if NODERAWFS
  hvxfer_is_terminal__deps: ['$FS'],
#endif
  hvxfer_is_terminal: function(fd) {
#if NODERAWFS
    var stream = FS.getStream(fd);
    return stream && require('tty').isatty(stream.nfd) ? 1 : 0;
#else
    return 0;
#endif
  },

  hvxfer_process_id: function() {
    return ENVIRONMENT_IS_NODE ? process.pid : 0;
  },

  // 0, or the error number. Emscripten offers no rename that keeps an existing name.
  hvxfer_move_no_replace__deps: ['$FS', '$ERRNO_CODES'],
  hvxfer_move_no_replace: function(from, to) {
    from = UTF8ToString(from);
    to = UTF8ToString(to);
#if NODERAWFS
    // Node's hard link never replaces a name; a source name left over after a failed unlink is only a second
    // name of the moved file.
    try {
      require('fs').linkSync(from, to);
    } catch (e) {
      if (!(e.code in ERRNO_CODES)) throw e;
      return ERRNO_CODES[e.code];
    }
    try {
      require('fs').unlinkSync(from);
    } catch (e) {
    }
    return 0;
#else
    // Files in memory belong to this program alone: nothing comes between the look and the rename.
    try {
      if (FS.analyzePath(to, true).exists) return {{{ cDefine('EEXIST') }}};
      FS.rename(from, to);
      return 0;
    } catch (e) {
      if (!(e instanceof FS.ErrnoError)) throw e;
      return e.errno;
    }
#endif
  },

#if NODERAWFS
  // Emscripten's own fsync does nothing for a file of Node's. (A WASI call: it answers the error number
  // itself, not its negative.)
  fd_sync__deps: ['$SYSCALLS', '$ERRNO_CODES', '$FS'],
  fd_sync: function(fd) {
    try {
      require('fs').fsyncSync(SYSCALLS.getStreamFromFD(fd).nfd);
      return 0;
    } catch (e) {
      if (e instanceof FS.ErrnoError) return e.errno;
      if (!(e.code in ERRNO_CODES)) throw e;
      return ERRNO_CODES[e.code];
    }
  },
#endif
});
