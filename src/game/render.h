// One frame of a running game: map, entities, status panel, inventory strip
// and the mouse cursor, composed on `screen` and presented.
#pragma once

#include <SDL.h>

#include <string>

#include "colors.h"

// Draws and presents the whole frame with the view UpdateView (view.h) last
// left: computes no field of view, marks no tile, asks for no music. Never
// blocks.
void Render();
// A bar of width / 8 cells filled in proportion to value / maximum, with
// "name: value/maximum" centred on it.
void RenderBar(int x, int y, int width, const std::string& name, int value, int maximum,
               SDL_Surface* dst, KRColors barColor, KRColors backColor);
// Appends the names on the visible cell under the mouse, joined by " & ".
void GetNamesUnderMouse(std::string& out);
// Where Render puts the inventory box (inventoryPanel) on the picture while
// it is shown: centred above the status panel.
SDL_Point InventoryBoxAt();
