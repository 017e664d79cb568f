// The game's store through the classroom server's API (tools/server/API.md): the same operations as
// the local files', for a game whose classrooms the server keeps, as in a browser that it serves.
#pragma once
#include <cstddef>
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

// Where the races that the server has not stored yet wait across a reload of the page: the
// browser's own storage (IndexedDB), or a test's memory. The store holds the shelf (hold, which
// waits while another tab of the browser holds it), reads it, makes its changes, writes it at most
// once and lets it go (release); hold and release may be empty. read gives back what write last
// kept ("" before the first) and is false when the storage could not be read; write is false when
// it did not keep the text.
struct KeptRaceShelf {
    std::function<void()> hold;
    std::function<void()> release;
    std::function<bool(std::string& text)> read;
    std::function<bool(const std::string& text)> write;
};

// At most this many races wait on the shelf, in at most this many bytes: past either the oldest
// goes, with a notice, so that a device left long without its server never fills its storage.
constexpr int KeptRacesLimit = 64;
constexpr std::size_t KeptBytesLimit = 1024 * 1024;

// Called once at start, before the first screen: GameStore becomes the remote operations over
// transport, and races are kept on shelf (none are kept across a reload without one). How they
// differ from the local ones:
// - The lists hold no passwords, only hasPassword; the typed password goes to the server, and one
//   found right is kept in memory for the requests that need it (entering, reading a board,
//   storing a race, deleting). Passwords never go on the shelf.
// - Adding and deleting happen on the server at once; saving the classroom list reads it again.
// - Saving the players sends what changed since they were read (added, deleted, car and driver)
//   one request each; the list then is the server's.
// - Saving a board first puts its new races on the shelf, then sends every race waiting there
//   whose classroom can be opened (this classroom's first), each bound to its classroom and pupil
//   by name. One the server stored leaves the shelf; one whose classroom or pupil is gone, or that
//   the server refuses as malformed, leaves it with a notice ("Kept race dropped: ..."); the rest
//   wait, shown on their boards after the board's stored records, and are sent again by the next
//   save of any board, by entering a classroom, and by sendKeptRaces at the next start. A race sent
//   without an answer is looked for on its board before it is sent again, so it is never stored twice.
// - Refreshing a board reads only the races stored on it since this device last read it.
// - A failure leaves the data in memory as it was and says why through takeTrouble: "Saved on this
//   device; sent when the server answers" for a race kept while the server did not answer; else
//   "The classroom server did not answer", the server's own words for a save that did not reach its
//   disk, and on a 409 "This class was changed on another PC" after the list was read again (or
//   "This class was deleted on another PC" when it is gone).
void useRemoteStore(RemoteTransport transport, KeptRaceShelf shelf = {});

// Called at start, after useRemoteStore and before the first screen: sends the races a former run
// left on the shelf, for the classrooms that need no password (the others wait until entered).
void sendKeptRaces();
