// The desktop icon: the rally car on a rounded road badge, drawn at 32 x 32 and enlarged by
// whole factors so that it stays crisp at every size the desktop asks for.
#pragma once
#include <string>

#include "present/image.h"

// The icon sizes installed for the desktop, in pixels.
constexpr int IconSizes[] = {32, 64, 128, 256};

// The icon at size x size (a whole multiple of 32); the cut-off corners of the badge carry the
// key colour, which the PNG writer below turns into transparent pixels.
ImageHandle makeIcon(int size);

// Writes DIR/SIZExSIZE/tallyrally.png for every size in IconSizes, the layout of a hicolor icon
// theme's "apps" folders without the "apps". Returns false when a file could not be written.
bool writeIcons(const std::string& outDir);
