// The game's store through the classroom server's API (tools/server/API.md): the same operations as
// the local files', for a game whose classrooms the server keeps, as in a browser that it serves.
#pragma once
#include <functional>
#include <string>

#include "store/game_store.h"

// What came back for a request: the HTTP status, 0 when nothing came back at all, and the body.
struct RemoteAnswer {
    int status = 0;
    std::string body;
};

// Sends one request and waits for its answer: method "GET" or "POST", route such as
// "/api/classrooms", body a JSON object (empty for GET). The browser build sends it with fetch;
// the tests hand it to the server's request handling in the same process.
using RemoteTransport =
    std::function<RemoteAnswer(const std::string& method, const std::string& route, const std::string& body)>;

// Called once at start, before the first screen: GameStore becomes the remote operations over
// transport. How they differ from the local ones:
// - The lists hold no passwords, only hasPassword; the typed password goes to the server, and one
//   found right is kept in memory for the requests that need it (entering, storing a race, deleting).
// - Adding and deleting happen on the server at once; saving the classroom list reads it again.
// - Saving the players sends what changed since they were read (added, deleted, car and driver)
//   one request each; the list then is the server's.
// - A failure leaves the data in memory as it was (a board keeps its unsaved races, sent again by
//   its next save) and says why through takeTrouble: "The classroom server did not answer", the
//   server's own words for a save that did not reach its disk, and on a 409 "This class was
//   changed on another PC" after the list was read again (or "This class was deleted on another
//   PC" when it is gone).
void useRemoteStore(RemoteTransport transport);
