// Runs before main: the site's persistent storage (IndexedDB) is mounted at
// /save and read into memory, and the working folder's game.cfg and game.sav
// are links into it. The game reads and writes its files where it always
// does; the writer follows links, so a save lands in /save, and the game
// copies /save back into IndexedDB after every write.
Module["preRun"] = Module["preRun"] || [];
Module["preRun"].push(function () {
  FS.mkdir("/save");
  FS.mount(IDBFS, {}, "/save");
  ["game.cfg", "game.sav"].forEach(function (name) {
    FS.symlink("/save/" + name, "/" + name);
  });
  addRunDependency("velvet-lockout-storage");
  FS.syncfs(true, function (error) {
    if (error && Module["onStorageError"]) {
      Module["onStorageError"]("read", error);
    }
    removeRunDependency("velvet-lockout-storage");
  });
});
