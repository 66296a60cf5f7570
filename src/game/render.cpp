// One frame of a running game: map, entities, status panel, inventory strip
// and the mouse cursor, composed on `screen` and presented.
#include "render.h"

#include <string>

#include "entity.h"
#include "fighter.h"
#include "font.h"
#include "game.h"
#include "glyphs.h"
#include "map.h"
#include "message.h"
#include "rules.h"
#include "shell.h"
#include "surfaces.h"
#include "view.h"

namespace {

constexpr int ShownLines = 6; // of the log, in the status panel

void DrawCell(SDL_Surface* dst, const KREntity* e) {
    SDL_Rect cell = {8 * e->x, 8 * e->y, 8, 8};
    SDL_FillRect(dst, &cell, SDL_MapRGB(dst->format, 0, 0, 0));
    font->DrawChar(dst, e->appearance, 8 * e->x, 8 * e->y, e->color);
}

void DrawTiles() {
    for (int y = 0; y < MapHeight; ++y) {
        for (int x = 0; x < MapWidth; ++x) {
            const KRTile* tile = theMap->TileAt(x, y);
            const bool wall = tile->blockSight;
            if (theMap->IsVisible(x, y)) {
                font->DrawChar(mapPanel, wall ? '#' : '.', 8 * x, 8 * y, wall ? Blue : White);
            } else if (tile->explored) {
                font->DrawChar(mapPanel, wall ? '#' : '.', 8 * x, 8 * y,
                               wall ? LightGray : DarkGray);
            }
        }
    }
}

// Every entity the player can see or remembers, in list order, so a later
// one covers an earlier one in the same cell.
void DrawEntities() {
    for (const KREntity* e : entities) {
        if (e != player && ShownOnMap(e)) {
            DrawCell(mapPanel, e);
        }
    }
}

void DrawPanelFrame() {
    const int right = panel->w - 8;
    for (int x = 8; x < right; x += 8) {
        font->DrawChar(panel, BoxHorizontal, x, 0, White);
        // Glyphs are keyed, not opaque: an edge drawn under a junction would
        // show through it, so column 21 gets the junction alone.
        if (x != 168) {
            font->DrawChar(panel, BoxHorizontal, x, 16, White);
            font->DrawChar(panel, BoxHorizontal, x, 72, White);
        }
    }
    font->DrawChar(panel, BoxTopLeft, 0, 0, White);
    font->DrawChar(panel, BoxTopRight, right, 0, White);
    font->DrawChar(panel, BoxVertical, 0, 8, White);
    font->DrawChar(panel, BoxVertical, right, 8, White);
    font->DrawChar(panel, BoxTeeRight, 0, 16, White);
    font->DrawChar(panel, BoxTeeDown, 168, 16, White);
    font->DrawChar(panel, BoxTeeLeft, right, 16, White);
    for (int y = 24; y < 72; y += 8) {
        font->DrawChar(panel, BoxVertical, 0, y, White);
        font->DrawChar(panel, BoxVertical, 168, y, White);
        font->DrawChar(panel, BoxVertical, right, y, White);
    }
    font->DrawChar(panel, BoxBottomLeft, 0, 72, White);
    font->DrawChar(panel, BoxTeeUp, 168, 72, White);
    font->DrawChar(panel, BoxBottomRight, right, 72, White);
}

} // namespace

// The log's drawing, kept out of the world library with everything else
// that touches SDL.
void KRMessage::GetMessages(int x, int y, KRFont* sheet, KRColors color, bool fade) {
    static const KRColors fadeColors[ShownLines] = {White,     White,    LightGray,
                                                    LightGray, DarkGray, DarkGray};
    int i = 0;
    for (auto it = messages.begin(); it != messages.end() && i < ShownLines; ++it, ++i) {
        sheet->DrawString(surface, *it, x, y + 8 * i, fade ? fadeColors[i] : color);
    }
}

void RenderBar(int x, int y, int width, const std::string& name, int value, int maximum,
               SDL_Surface* dst, KRColors barColor, KRColors backColor) {
    // A zero maximum (never produced by the game) draws an empty bar rather
    // than converting an infinite quotient.
    const int filled =
        maximum > 0 ? static_cast<int>(static_cast<float>(value) / maximum * width) : 0;
    for (int i = 0; i < width / 8; ++i) {
        font->DrawChar(dst, FullBlock, x + 8 * i, y, backColor);
    }
    if (filled > 0) {
        for (int i = 0; i < filled / 8; ++i) {
            font->DrawChar(dst, FullBlock, x + 8 * i, y, barColor);
        }
    }
    const std::string caption = name + ": " + std::to_string(value) + "/" + std::to_string(maximum);
    const int length = static_cast<int>(caption.size());
    font->DrawString(dst, caption, x + width / 2 - (8 * length) / 2, y, White);
}

void GetNamesUnderMouse(std::string& out) {
    const int cx = mousePos.x / 8;
    const int cy = mousePos.y / 8;
    if (!KRMap::InBounds(cx, cy) || !theMap->IsVisible(cx, cy)) {
        return;
    }
    bool first = true;
    for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
        const KREntity* e = *entityIterator;
        if (e->x == cx && e->y == cy) {
            if (!first) {
                out += " & ";
            }
            out += e->name;
            first = false;
        }
    }
}

void Render() {
    ClearSurface(screen);
    ClearSurface(mapPanel);
    ClearSurface(panel);
    DrawTiles();
    DrawEntities();
    DrawCell(mapPanel, player);
    SDL_BlitSurface(mapPanel, nullptr, screen, nullptr);

    DrawPanelFrame();
    RenderBar(8, 24, 160, "HP", player->fighter->hp, player->fighter->GetMaxHP(false), panel, Red,
              LightGray);
    font->DrawString(panel, "Floor #" + std::to_string(ShownFloorNumber(theMap->currentFloor)), 8,
                     40, LightGray);
    message->GetMessages(176, 24, font, Black, true);
    std::string names;
    GetNamesUnderMouse(names);
    font->DrawString(panel, names, 8, 8, LightGray);

    if (showInventory) {
        const SDL_Point corner = InventoryBoxAt();
        SDL_Rect at = {corner.x, corner.y, 0, 0};
        SDL_BlitSurface(inventoryPanel, nullptr, screen, &at);
    }
    SDL_Rect panelAt = {0, 320, 0, 0};
    SDL_BlitSurface(panel, nullptr, screen, &panelAt);
    font->DrawChar(screen, FullBlock, mousePos.x, mousePos.y, Red);
    PresentScreen();
}

SDL_Point InventoryBoxAt() {
    return {(640 - inventoryPanel->w) / 2, (400 - inventoryPanel->h - 80) / 2};
}
