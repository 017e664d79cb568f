// The page around the game: the canvas scaled in whole steps where it fits, the keyboard events the
// game reads (see src/present/web/platform.js), full screen, and the hooks for the browser test.
'use strict';

var Module = (function () {
  var canvas = document.getElementById('screen');
  var stage = document.getElementById('stage');
  var keyEvents = [];
  var gestured = false;

  // Square crisp pixels: the largest whole enlargement that fits, else the largest that fits.
  function fitCanvas() {
    var width = canvas.width, height = canvas.height;
    var room = stage.getBoundingClientRect();
    var ratio = window.devicePixelRatio || 1;
    var scale = Math.min(room.width / width, room.height / height);
    var steps = Math.floor(scale * ratio);  // whole device pixels per game pixel
    if (steps >= 1) scale = steps / ratio;
    canvas.style.width = Math.floor(width * scale) + 'px';
    canvas.style.height = Math.floor(height * scale) + 'px';
  }

  // Browsers start sound only after a key or a click; the sound output hangs its start here.
  function firstGesture() {
    if (gestured) return;
    gestured = true;
    if (Module.onFirstGesture) Module.onFirstGesture();
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (stage.requestFullscreen) stage.requestFullscreen().catch(function () {});
  }

  // Keys on the footer's own buttons (full screen, the teacher's corner) stay theirs.
  function forFooter(event) {
    return event.target && event.target.closest && event.target.closest('footer') !== null;
  }

  // Keys the browser itself would act on (scrolling, leaving the page, its own search) are the game's.
  window.addEventListener('keydown', function (event) {
    firstGesture();
    if (event.code === 'F11' || event.key === 'F11') {
      event.preventDefault();
      if (!event.repeat) toggleFullscreen();
      return;
    }
    if (forFooter(event)) return;
    // Reload and the browser's own shortcuts still work.
    if ((event.ctrlKey || event.metaKey) && !event.getModifierState('AltGraph')) {
      if (event.key === 'r' || event.key === 'R' || event.key === 'w' || event.key === 'W') return;
    }
    event.preventDefault();
    keyEvents.push({
      down: true, code: event.code, key: event.key, repeat: event.repeat,
      command: (event.ctrlKey || event.metaKey) && !event.getModifierState('AltGraph'),
    });
  });
  window.addEventListener('keyup', function (event) {
    if (event.code === 'F11') return;
    // A key let go over the footer still ends its hold in the game.
    event.preventDefault();
    keyEvents.push({ down: false, code: event.code, key: event.key });
  });
  window.addEventListener('blur', function () { keyEvents.push({ blur: true }); });
  canvas.addEventListener('mousedown', function () { firstGesture(); canvas.focus(); });
  document.getElementById('fullscreen').addEventListener('click', function (event) {
    firstGesture();
    toggleFullscreen();
    event.currentTarget.blur();
  });
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);

  var module = {
    canvas: canvas,
    tallyKeyEvents: keyEvents,
    onScreenOpen: function () {
      var loading = document.getElementById('loading');
      if (loading) loading.remove();
      fitCanvas();
      canvas.focus();
    },
    // The browser test's view of the frame loop: frames the game finished, frames that changed the
    // canvas, and seconds of work between the pauses that give the browser its turn.
    tallyFrameStats: function () {
      return {
        frames: module._tally_web_frames(),
        presented: module._tally_web_presented(),
        workSeconds: module._tally_web_work_seconds(),
      };
    },
    // Types the right answer to player's problem on screen (1 or 2); false when there is none.
    tallySolve: function (player) { return module._tally_web_solve(player || 1) !== 0; },
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
  };
  fitCanvas();
  return module;
})();
