// The teacher's corner when a classroom server serves the page: "Teacher's report" asks for a
// classroom and its password (or the teacher's) in the page and opens the server's report of that
// classroom; "Back up classrooms" asks for the teacher's password and downloads the server's tar of
// every classroom; "Add classroom" and "Delete classroom" ask for the teacher's password, which the
// server needs for them when it was given one. The restore, which works on this browser's own classrooms, is hidden: a school
// restores the server's folder on the server's PC.
'use strict';

(function () {
  if (typeof TallyServer === 'undefined') return;
  TallyServer.served.then(function (served) {
    var corner = document.getElementById('corner');
    if (!served || !corner) return;
    ['corner-restore', 'corner-file'].forEach(function (id) {
      var element = document.getElementById(id);
      if (element) element.hidden = true;
    });
    var status = document.getElementById('corner-status');
    function say(words, trouble) {
      if (!status) return;
      status.textContent = words;
      status.className = trouble ? 'trouble' : '';
    }
    function backToGame() {
      var canvas = document.getElementById('screen');
      if (canvas) canvas.focus();
    }

    // A question in the corner's row: a password (and what else is given), the action, Cancel.
    // Escape or Cancel closes it and gives the keys back to the game.
    function question(name, placeholder, action) {
      var form = document.createElement('form');
      form.id = 'corner-' + name + '-ask';
      form.className = 'corner-ask';
      form.hidden = true;
      var password = document.createElement('input');
      password.type = 'password';
      password.id = 'corner-' + name + '-password';
      password.placeholder = placeholder;
      password.maxLength = 64;
      password.autocomplete = 'off';
      var open = document.createElement('button');
      open.type = 'submit';
      open.id = 'corner-' + name + '-open';
      open.textContent = action;
      var cancel = document.createElement('button');
      cancel.type = 'button';
      cancel.textContent = 'Cancel';
      form.append(password, open, cancel);
      var close = function () {
        form.hidden = true;
        password.value = '';
        backToGame();
      };
      cancel.addEventListener('click', close);
      form.addEventListener('keydown', function (event) {
        if (event.key === 'Escape') close();
      });
      return { form: form, password: password, close: close };
    }
    // The corner's button of that id, made anew (without the browser-only action) with the
    // question after it.
    function cornerButton(id, label, ask) {
      var old = document.getElementById(id);
      var b = focusFreeButton(id, label);
      if (old) old.replaceWith(b);
      else corner.prepend(b);
      b.after(ask);
      return b;
    }
    // What a refused password or no answer means, in plain words.
    function refused(response, what) {
      if (response.status === 403) return say('Wrong password.', true);
      if (response.status === 429)
        return say('Too many wrong passwords: try again in ' + (response.headers.get('Retry-After') || 'a few') +
          ' seconds.', true);
      if (response.status === 503)
        return response.json().then(function (a) { say(a.error || 'The classroom server could not ' + what + '.', true); },
          function () { say('The classroom server could not ' + what + '.', true); });
      say('The classroom server refused to ' + what + '.', true);
    }

    // The report's question: which classroom, and its password.
    var reportAsk = question('report', "Password (or the teacher's)", 'Open report');
    var ask = reportAsk.form;
    var password = reportAsk.password;
    var close = reportAsk.close;
    var choice = document.createElement('select');
    choice.id = 'corner-report-class';
    choice.setAttribute('aria-label', 'Classroom');
    ask.prepend(choice);
    var button = cornerButton('corner-report', "Teacher's report", ask);

    var classrooms = [];
    button.addEventListener('click', function () {
      say('');
      fetch('api/classrooms', { cache: 'no-store' }).then(function (response) {
        if (!response.ok) throw new Error('status ' + response.status);
        return response.json();
      }).then(function (answer) {
        classrooms = answer.classrooms || [];
        choice.replaceChildren();
        classrooms.forEach(function (c, i) {
          var option = document.createElement('option');
          option.value = String(i);
          option.textContent = c.name;
          choice.appendChild(option);
        });
        show(ask, password);
      }).catch(function () { say('The classroom server did not answer.', true); });
    });
    ask.addEventListener('submit', function (event) {
      event.preventDefault();
      var chosen = classrooms[Number(choice.value)];
      if (!chosen) return;
      // Opened now, while the click still counts as the teacher's, and filled once the report came.
      var tab = window.open('', '_blank');
      if (!tab) return say('The browser blocked the new tab: allow pop-ups for this page and try again.', true);
      var body = { classroom: { position: chosen.position, name: chosen.name, password: password.value } };
      fetch('api/report', {
        method: 'POST', cache: 'no-store', headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify(body),
      }).then(function (response) {
        return response.text().then(function (text) { return { response: response, text: text }; });
      }).then(function (answer) {
        var response = answer.response;
        if (response.ok) {
          var url = URL.createObjectURL(new Blob([answer.text], { type: 'text/html;charset=utf-8' }));
          tab.location.href = url;
          setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
          say('');
          close();
          return;
        }
        tab.close();
        password.value = '';
        if (response.status === 409 || response.status === 404)
          say('The classrooms changed on another PC: open the report again.', true);
        else refused(response, 'make the report');
      }).catch(function () {
        tab.close();
        say('The classroom server did not answer.', true);
      });
    });

    // Adding and deleting classrooms: the teacher's, when the server has a teacher password.
    function post(route, body) {
      return fetch(route, {
        method: 'POST', cache: 'no-store', headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify(body),
      });
    }
    function field(id, placeholder, length, type) {
      var input = document.createElement('input');
      input.type = type || 'text';
      input.id = id;
      input.placeholder = placeholder;
      input.maxLength = length;
      input.autocomplete = 'off';
      return input;
    }
    var addAsk = question('add', "Teacher's password", 'Add');
    var addName = field('corner-add-name', 'New classroom', 20);
    var addPassword = field('corner-add-classroom-password', 'Its password (may stay empty)', 10, 'password');
    addAsk.form.prepend(addName, addPassword);
    var deleteAsk = question('delete', "Teacher's password", 'Delete');
    var deleteChoice = document.createElement('select');
    deleteChoice.id = 'corner-delete-class';
    deleteChoice.setAttribute('aria-label', 'Classroom');
    deleteAsk.form.prepend(deleteChoice);
    var listed = [];
    var asks = function () { return [ask, backupAsk.form, addAsk.form, deleteAsk.form]; };
    function show(form, first) {
      asks().forEach(function (f) { f.hidden = f !== form; });
      first.focus();
    }
    cornerButton('corner-add', 'Add classroom', addAsk.form).addEventListener('click', function () {
      say('');
      show(addAsk.form, addName);
    });
    cornerButton('corner-delete', 'Delete classroom', deleteAsk.form).addEventListener('click', function () {
      say('');
      fetch('api/classrooms', { cache: 'no-store' }).then(function (response) {
        if (!response.ok) throw new Error('status ' + response.status);
        return response.json();
      }).then(function (answer) {
        listed = answer.classrooms || [];
        deleteChoice.replaceChildren();
        listed.forEach(function (c, i) {
          var option = document.createElement('option');
          option.value = String(i);
          option.textContent = c.name;
          deleteChoice.appendChild(option);
        });
        show(deleteAsk.form, deleteAsk.password);
      }).catch(function () { say('The classroom server did not answer.', true); });
    });
    addAsk.form.addEventListener('submit', function (event) {
      event.preventDefault();
      var name = addName.value;
      var body = { name: name, password: addPassword.value, teacherPassword: addAsk.password.value };
      addAsk.password.value = '';
      post('api/classroom/add', body).then(function (response) {
        if (response.ok) {
          addName.value = '';
          addPassword.value = '';
          addAsk.close();
          return say('Added the classroom ' + name + '.');
        }
        if (response.status === 409) return say('A classroom of that name exists, or there are as many as the server keeps.', true);
        if (response.status === 400) return say('That name or password cannot be typed in the game.', true);
        refused(response, 'add the classroom');
      }).catch(function () { say('The classroom server did not answer.', true); });
    });
    deleteAsk.form.addEventListener('submit', function (event) {
      event.preventDefault();
      var chosen = listed[Number(deleteChoice.value)];
      if (!chosen) return;
      var body = { classroom: { position: chosen.position, name: chosen.name }, teacherPassword: deleteAsk.password.value };
      deleteAsk.password.value = '';
      post('api/classroom/delete', body).then(function (response) {
        if (response.ok) {
          deleteAsk.close();
          return say('Deleted the classroom ' + chosen.name + '.');
        }
        if (response.status === 409 || response.status === 404)
          return say('The classrooms changed on another PC: choose again.', true);
        refused(response, 'delete the classroom');
      }).catch(function () { say('The classroom server did not answer.', true); });
    });

    // The backup: every classroom on the server, so only the teacher's password opens it.
    var backupAsk = question('backup', "Teacher's password", 'Back up');
    var backupButton = cornerButton('corner-backup', 'Back up classrooms', backupAsk.form);
    backupButton.addEventListener('click', function () {
      say('');
      show(backupAsk.form, backupAsk.password);
    });
    backupAsk.form.addEventListener('submit', function (event) {
      event.preventDefault();
      var typed = backupAsk.password.value;
      backupAsk.password.value = '';
      say('Backing up…');
      fetch('api/backup', {
        method: 'POST', cache: 'no-store', headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify({ teacherPassword: typed }),
      }).then(function (response) {
        if (!response.ok) return refused(response, 'back up the classrooms');
        var given = /filename="([^"]+)"/.exec(response.headers.get('Content-Disposition') || '');
        var name = given ? given[1] : 'tallyrally-classrooms.tar';
        return response.blob().then(function (tar) {
          downloadTar(tar, name);
          backupAsk.close();
          say('Backed up to ' + name + ' in your downloads.');
        });
      }).catch(function () { say('The classroom server did not answer.', true); });
    });
  });
})();
