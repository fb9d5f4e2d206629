// The page's module keeps its files in Emscripten's in-memory file system, which has no hard links: the
// platform layer's Emscripten host answers EMLINK there, and every new save would then fail to be moved to
// its name (EL539). The in-memory files belong to one worker and one thread, so a second name made by a
// copy that refuses an existing name serves the one use of a link, moving a file without replacing one.
// Linked after the platform layer's library, this definition is the one the module gets.
mergeInto(LibraryManager.library, {
  hvxfer_hard_link__deps: ['$FS'],
  hvxfer_hard_link: function(from, to) {
    try {
      FS.writeFile(UTF8ToString(to), FS.readFile(UTF8ToString(from)), {
        flags: {{{ cDefine('O_CREAT') }}} | {{{ cDefine('O_EXCL') }}} | {{{ cDefine('O_WRONLY') }}},
      });
      return 0;
    } catch (e) {
      if (e instanceof FS.ErrnoError) return e.errno;
      throw e;
    }
  },
});
