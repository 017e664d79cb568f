// Numbers written through the game's two number masks, "####.00" and "####".
#pragma once
#include <string>

// Writes value rounded to as many decimals as the mask has after its point (none for "####"):
// the whole part in plain decimal without leading blanks or zeros, then the point and exactly that
// many decimals. 0 gives "0.00" and "0"; 12.346 gives "12.35" and "12"; 7.5 gives "7.50".
// Used by the results screen, the leaders list and the player statistics.
std::string formatNumber(double value, const std::string& mask);
