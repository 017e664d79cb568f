// The F1 help cards: every screen reads its frame's key here, so that F1 shows that screen's card
// wherever it is pressed, and no screen acts on the key that closes the card.
#pragma once
#include <string>

#include "shell/game.h"
#include "shell/help_cards.h"

// The card's size on the canvas in pixels: its lines in the 8 x 8 font, its margins and frame.
struct HelpCardSize {
    int width = 0;
    int height = 0;
};
HelpCardSize helpCardSize(HelpTopic topic);

// Called at the top of every frame, right after tickFrame, in place of readKey, to fill pendingKey.
// Gives what readKey gives, except F1: then the card of topic is shown over what the screen shows
// now until any key is pressed, that key is swallowed and "" is given, so the screen acts on
// nothing this frame. pausedSeconds receives how long the card held the game up (0 when no card
// was shown), for a screen whose own clock must stand still meanwhile. The screen must be open.
std::string readFrameKey(Game& game, HelpTopic topic);
std::string readFrameKey(Game& game, HelpTopic topic, double& pausedSeconds);

// Shows the card of topic over the screen as it stands, presenting it every frame, until any key
// is pressed; swallows that key, and also waits for Escape to be let go, so that an Escape that
// closes the card is not taken as Escape held. Plays the confirm sound as it opens. Afterwards the
// frame clock starts afresh: the next frame's frameDelta does not include the time the card was
// up. The screen still shows the card; the caller draws its own screen again. Returns the seconds
// the card was up. For a screen that waits for a key by other means (the race results).
double showHelpCard(Game& game, HelpTopic topic);
