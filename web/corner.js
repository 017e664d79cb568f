// The teacher's corner below the game: "Teacher's report", "Back up classrooms" and "Restore
// classrooms", built on the game's tally_corner_* functions (src/shell/teacher_corner.h). They run
// between two frames of the game; none of the buttons keeps the keyboard from it.
'use strict';

// Hands a tar file's bytes (or a Blob) to the browser as a download named name; shared with the
// corner of a page served by a classroom server (corner_server.js).
function downloadTar(bytes, name) {
  var url = URL.createObjectURL(new Blob([bytes], { type: 'application/x-tar' }));
  var link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
}

// A corner button that never takes the focus when pressed, so that keys typed after a click go on
// to the game; shared with corner_server.js.
function focusFreeButton(id, label) {
  var b = document.createElement('button');
  b.type = 'button';
  b.id = id;
  b.textContent = label;
  b.tabIndex = -1;
  b.addEventListener('mousedown', function (event) { event.preventDefault(); });
  return b;
}

(function () {
  var corner = document.getElementById('corner');
  if (!corner) return;
  // The words a restore leaves for the page that it reloads.
  var RestoredNote = 'tallyrally-restored';
  var status = document.createElement('span');
  status.id = 'corner-status';
  status.setAttribute('role', 'status');

  function say(words, trouble) {
    status.textContent = words;
    status.className = trouble ? 'trouble' : '';
  }

  function ready() {
    return typeof Module !== 'undefined' && Module.FS && Module._tally_corner_text;
  }
  // Called directly: ccall would take the game's pause between frames for a pause of its own.
  function call(name) { return Module['_tally_corner_' + name](); }
  function text() { return Module.UTF8ToString(Module._tally_corner_text()); }

  // Runs work (which returns a promise) under the lock that the game's saves take in every tab of
  // this site, after bringing in what other tabs saved: the same steps as a save of the game's own.
  function underSaveLock(work) {
    var run = function () {
      return new Promise(function (done) { Module.FS.syncfs(true, function () { done(); }); }).then(work);
    };
    return navigator.locks ? navigator.locks.request('tallyrally-classrooms', run) : run();
  }
  function push() {
    return new Promise(function (done) { Module.FS.syncfs(false, done); });
  }

  // A corner button with its action, which hands the keyboard back to the game after the click.
  function button(id, label, action) {
    var b = focusFreeButton(id, label);
    b.addEventListener('click', function () {
      b.blur();
      if (Module.canvas) Module.canvas.focus();
      if (!ready()) return say('The game is still loading: try again in a moment.', true);
      say('');
      // Called at once, while the click still counts as the teacher's (a new tab needs that).
      try {
        Promise.resolve(action()).catch(function (error) { say('Something went wrong: ' + error, true); });
      } catch (error) {
        say('Something went wrong: ' + error, true);
      }
    });
    corner.appendChild(b);
  }

  function today() {
    var d = new Date();
    var two = function (n) { return String(n).padStart(2, '0'); };
    return d.getFullYear() + '-' + two(d.getMonth() + 1) + '-' + two(d.getDate());
  }

  // "2 classrooms (4A, 4B)" from the game's list of names, one per line; a long list is cut short.
  var MostNamesShown = 8;
  function classrooms(names) {
    var list = names.split('\n').filter(function (n) { return n !== ''; });
    if (list.length === 0) return 'no classrooms';
    var shown = list.slice(0, MostNamesShown).join(', ');
    if (list.length > MostNamesShown) shown += ' and ' + (list.length - MostNamesShown) + ' more';
    return (list.length === 1 ? '1 classroom' : list.length + ' classrooms') + ' (' + shown + ')';
  }

  button('corner-report', "Teacher's report", function () {
    // Opened now, empty, and filled once the report is made: a tab opened later would be blocked.
    var tab = window.open('', '_blank');
    if (!tab) return say('The browser blocked the new tab: allow pop-ups for this page and try again.', true);
    return underSaveLock(function () {
      call('report');
      var url = URL.createObjectURL(new Blob([text()], { type: 'text/html;charset=utf-8' }));
      tab.location.href = url;
      setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
    });
  });

  button('corner-backup', 'Back up classrooms', function () {
    return underSaveLock(function () {
      if (!call('backup')) return say(text(), true);
      var path = text();
      var bytes = Module.FS.readFile(path);
      Module.FS.unlink(path);
      var name = 'tallyrally-classrooms-' + today() + '.tar';
      downloadTar(bytes, name);
      say('Backed up to ' + name + ' in your downloads.');
    });
  });

  var picker = document.createElement('input');
  picker.type = 'file';
  picker.id = 'corner-file';
  picker.accept = '.tar,application/x-tar';
  picker.hidden = true;
  picker.tabIndex = -1;
  corner.appendChild(picker);
  button('corner-restore', 'Restore classrooms', function () { picker.click(); });

  picker.addEventListener('change', function () {
    var file = picker.files[0];
    picker.value = '';
    if (!file || !ready()) return;
    file.arrayBuffer().then(function (buffer) {
      return underSaveLock(function () { return restore(file.name, new Uint8Array(buffer)); });
    }, function () {
      say('Could not read ' + file.name + '.', true);
    }).catch(function (error) { say('Something went wrong: ' + error, true); });
  });

  function restore(name, bytes) {
    call('upload_path');
    var upload = text();
    Module.FS.writeFile(upload, bytes);
    var staged = call('stage');
    var inFile = text();
    Module.FS.unlink(upload);
    if (!staged) return say(name + ': ' + inFile, true);
    var here = call('classrooms') ? text() : '';
    var question = here
      ? 'Replace the ' + classrooms(here) + ' in this browser with the ' + classrooms(inFile) + ' in ' + name +
        '?\n\nThe classrooms here, with their players and races, will be gone.'
      : 'Restore the ' + classrooms(inFile) + ' in ' + name + '?';
    if (!window.confirm(question)) {
      call('discard');
      return say('Nothing was restored.');
    }
    if (!call('restore')) return say(text(), true);
    say('Restored: starting again on the restored classrooms…');
    // Kept in IndexedDB first, then a fresh start: the game in memory still holds the old lists.
    return push().then(function (error) {
      if (error) return say('Restored, but the browser could not keep them: ' + error, true);
      sessionStorage.setItem(RestoredNote, 'Restored the ' + classrooms(inFile) + ' from ' + name + '.');
      window.location.reload();
    });
  }

  corner.appendChild(status);
  // What the restore before this reload did, said once.
  var note = sessionStorage.getItem(RestoredNote);
  if (note) {
    sessionStorage.removeItem(RestoredNote);
    say(note);
  }
})();
