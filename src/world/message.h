// The message log shown in the status panel, and the word wrapper every
// dialog uses. The text side needs no SDL: the panel is only pointed at, and
// GetMessages (the drawing) is defined with the renderer, in render.cpp.
#pragma once

#include <list>
#include <string>

#include "colors.h"

class KRFont;
struct SDL_Surface;

class KRMessage {
public:
    // Newest first; each line upper-cased and wrapped to 58 characters.
    std::list<std::string> messages;
    SDL_Surface* surface;

    KRMessage();
    bool Init(SDL_Surface* target);
    // Upper-cases and wraps at 464 pixels; append false puts the message's
    // lines in front, as one block in reading order.
    void SetMessage(std::string text, bool append);
    // Wraps at whitespace into lines of at most maxWidth / 8 - 1 characters
    // (a longer single word stands alone); backslash + 'n' becomes '\n'.
    // Adds them at the back (append) or ahead of the first old line, in
    // reading order either way.
    void WordWarp(const std::string& text, std::list<std::string>& lines, unsigned maxWidth,
                  bool append);
    static void ReplaceAll(std::string& str, const std::string& from, const std::string& to);
    // Draws up to six lines on `surface`, 8 pixels apart; fade: white, white,
    // grey, grey, dark, dark. Part of the game, not of the world library.
    void GetMessages(int x, int y, KRFont* font, KRColors color, bool fade);
};

// Puts `text` on top of `log` (SetMessage without append); nothing when
// there is no log, as in tests that run without one.
void PostTo(KRMessage* log, const std::string& text);
