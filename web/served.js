// Whether a classroom server (tallyrally-server) serves this page: it answers api/hello, a plain
// static web server does not. Asked once as the page loads; the game then keeps its classrooms on
// the server (src/shell/main_web.cpp) and the teacher's corner asks the server for its report.
'use strict';

var TallyServer = (function () {
  var served = fetch('api/hello', { cache: 'no-store' })
    .then(function (response) { return response.ok ? response.json() : null; })
    .then(function (answer) { return !!(answer && answer.server === 'tallyrally'); },
          function () { return false; });
  return { served: served };
})();
