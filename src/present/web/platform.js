// The page side of the browser back end (backend_web.cpp) and of the saved classrooms
// (main_web.cpp): the canvas, the key events the page collects, animation frames, and IndexedDB.
mergeInto(LibraryManager.library, {
  tally_web_open: function (width, height) {
    var canvas = Module['canvas'];
    canvas.width = width;
    canvas.height = height;
    var context = canvas.getContext('2d', { alpha: false });
    var image = context.createImageData(width, height);
    Module['tallyPresent'] = { context: context, image: image };
    // The frame as the canvas shows it, RGBA bytes row after row, for the browser test.
    Module['tallyScreen'] = function () { return new Uint8Array(image.data); };
    if (Module['onScreenOpen']) Module['onScreenOpen'](width, height);
  },

  tally_web_present: function (rgba, bytes) {
    var present = Module['tallyPresent'];
    present.image.data.set(HEAPU8.subarray(rgba, rgba + bytes));
    present.context.putImageData(present.image, 0, 0);
    // When the first frame reached the canvas, in milliseconds after the page began to load.
    if (!Module['tallyFirstFrameAt']) Module['tallyFirstFrameAt'] = performance.now();
  },

  // The oldest key event the page queued (page.js): writes its code and key and returns its flags
  // (1 down, 2 repeat, 4 Ctrl or Meta without AltGr, 8 the page lost the focus), or -1 for none.
  tally_web_next_key: function (code, codeSize, key, keySize) {
    var queue = Module['tallyKeyEvents'];
    if (!queue || queue.length === 0) return -1;
    var event = queue.shift();
    stringToUTF8(event.code || '', code, codeSize);
    stringToUTF8(event.key || '', key, keySize);
    return (event.down ? 1 : 0) | (event.repeat ? 2 : 0) | (event.command ? 4 : 0) | (event.blur ? 8 : 0);
  },

  // Returns at the next animation frame; a hidden page has none, so there a slow timer stands in.
  tally_web_wait_frame: function () {
    return Asyncify.handleSleep(function (wakeUp) {
      if (document.hidden) setTimeout(wakeUp, 100);
      else requestAnimationFrame(function () { wakeUp(); });
    });
  },

  // Keeps the game folder's "classrooms" in IndexedDB from now on (read back by tally_web_sync).
  tally_web_mount: function (gameFolder) {
    var folder = UTF8ToString(gameFolder) + '/classrooms';
    try { FS.mkdir(folder); } catch (e) { /* there already */ }
    FS.mount(IDBFS, {}, folder);
  },

  // Copies the mounted IndexedDB folders into memory (pull) or memory into IndexedDB; returns 0
  // when that worked.
  tally_web_sync: function (pull) {
    return Asyncify.handleSleep(function (wakeUp) {
      FS.syncfs(!!pull, function (error) { wakeUp(error ? 1 : 0); });
    });
  },

  // Takes the lock every tab of this site shares for its saves, waiting while another tab holds it;
  // returns 1 held, 0 when the browser has no such locks (the save then goes ahead without).
  tally_web_lock: function () {
    return Asyncify.handleSleep(function (wakeUp) {
      if (!navigator.locks) { wakeUp(0); return; }
      navigator.locks.request('tallyrally-classrooms', function () {
        return new Promise(function (release) {
          Module['tallyReleaseLock'] = release;
          wakeUp(1);
        });
      }).catch(function () { wakeUp(0); });
    });
  },

  tally_web_unlock: function () {
    var release = Module['tallyReleaseLock'];
    Module['tallyReleaseLock'] = null;
    if (release) release();
  },
});
