// The teacher's corner when a classroom server serves the page: "Teacher's report" asks for a
// classroom and its password (or the teacher's) in the page and opens the server's report of that
// classroom; the backup and the restore, which work on this browser's own classrooms, are hidden,
// since the server keeps the class's classrooms and offers no backup of its own.
'use strict';

(function () {
  if (typeof TallyServer === 'undefined') return;
  TallyServer.served.then(function (served) {
    var corner = document.getElementById('corner');
    if (!served || !corner) return;
    ['corner-backup', 'corner-restore', 'corner-file'].forEach(function (id) {
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

    // The question: which classroom, and its password.
    var ask = document.createElement('form');
    ask.id = 'corner-report-ask';
    ask.hidden = true;
    var choice = document.createElement('select');
    choice.id = 'corner-report-class';
    choice.setAttribute('aria-label', 'Classroom');
    var password = document.createElement('input');
    password.type = 'password';
    password.id = 'corner-report-password';
    password.placeholder = "Password (or the teacher's)";
    password.maxLength = 64;
    password.autocomplete = 'off';
    var open = document.createElement('button');
    open.type = 'submit';
    open.id = 'corner-report-open';
    open.textContent = 'Open report';
    var cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.textContent = 'Cancel';
    ask.append(choice, password, open, cancel);

    var report = document.getElementById('corner-report');
    var button = document.createElement('button');
    button.type = 'button';
    button.id = 'corner-report';
    button.textContent = "Teacher's report";
    button.tabIndex = -1;
    if (report) report.replaceWith(button);
    else corner.prepend(button);
    button.after(ask);

    var classrooms = [];
    function close() {
      ask.hidden = true;
      password.value = '';
      backToGame();
    }

    button.addEventListener('mousedown', function (event) { event.preventDefault(); });
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
        ask.hidden = false;
        password.focus();
      }).catch(function () { say('The classroom server did not answer.', true); });
    });
    cancel.addEventListener('click', close);
    ask.addEventListener('keydown', function (event) {
      if (event.key === 'Escape') close();
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
        if (response.status === 403) say('Wrong password.', true);
        else if (response.status === 429)
          say('Too many wrong passwords: try again in ' + (response.headers.get('Retry-After') || 'a few') + ' seconds.', true);
        else if (response.status === 409 || response.status === 404)
          say('The classrooms changed on another PC: open the report again.', true);
        else say('The classroom server refused the report.', true);
      }).catch(function () {
        tab.close();
        say('The classroom server did not answer.', true);
      });
    });
  });
})();
