// The scaled sprite blit and the enlarged display panels.
#pragma once
#include "present/image.h"
#include "shell/game.h"

// Draws source enlarged by (scaleX, scaleY) about (centerX, centerY) onto target (null: the
// screen, which must then be locked). With colourKey, source pixels equal to 0xFFFF00FF are skipped.
void drawSprite(Image* target, int centerX, int centerY, const Image* source, float scaleX,
                float scaleY, bool colourKey);

// Places the panel and gives it a new opaque black canvas; the scroll is left alone.
void setupPanel(Panel& panel, int centerX, int centerY, int width, int height);
void setPanelScroll(Panel& panel, int x, int y);
// Between lockScreen and unlockScreen: shows the canvas four times enlarged, then clears it black.
void presentPanel(Panel& panel);
