// The JavaScript half of the POSIX layer's host under Emscripten (emscripten_host.cpp), linked into every
// program with the platform layer (cmake/wasm.cmake). Emscripten's runtime is written for a browser: where
// Node.js runs the program, what the program is and, with Node's real files (NODERAWFS), whether a stream
// is a terminal, hard links and flushing are asked of Node itself. A page has none of these: no program
// file, no terminal, files in memory without hard links and with nothing to flush.
mergeInto(LibraryManager.library, {
  hvxfer_program_path: function(buffer, size) {
    if (!ENVIRONMENT_IS_NODE || process.argv.length < 2) return 0;
    var path;
    try {
      path = require('fs').realpathSync(process.argv[1]);
    } catch (e) {
      return 0;
    }
    var needed = lengthBytesUTF8(path) + 1;
    if (needed <= size) stringToUTF8(path, buffer, size);
    return needed;
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

  // 0, or the error number. Node's link never replaces an existing name.
#if NODERAWFS
  hvxfer_hard_link__deps: ['$ERRNO_CODES'],
#endif
  hvxfer_hard_link: function(from, to) {
#if NODERAWFS
    try {
      require('fs').linkSync(UTF8ToString(from), UTF8ToString(to));
      return 0;
    } catch (e) {
      if (!(e.code in ERRNO_CODES)) throw e;
      return ERRNO_CODES[e.code];
    }
#else
    return {{{ cDefine('EMLINK') }}};
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
