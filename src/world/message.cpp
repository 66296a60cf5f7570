// The message log and the word wrapper shared by every dialog: text only,
// no SDL. Owns no surface.
#include "message.h"

#include <cctype>
#include <iostream>
#include <sstream>

KRMessage::KRMessage() : surface(nullptr) {}

bool KRMessage::Init(SDL_Surface* target) {
    if (target == nullptr) {
        std::cout << "Source surface isn't initialized!" << std::endl;
        return false;
    }
    surface = target;
    return true;
}

void KRMessage::SetMessage(std::string text, bool append) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        // The 'n' of a backslash + 'n' line-break marker stays lower case, or
        // the wrapper would no longer recognise it.
        if (text[i] == 'n' && i > 0 && text[i - 1] == '\\') {
            continue;
        }
        text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    }
    WordWarp(text, messages, 464, append);
}

void KRMessage::WordWarp(const std::string& text, std::list<std::string>& lines, unsigned maxWidth,
                         bool append) {
    // Front insertion puts the whole message ahead of what was there, as one
    // block in reading order: newest message on top, its first line first.
    const auto oldFront = lines.begin();
    auto add = [&](std::string& line) {
        lines.insert(append ? lines.end() : oldFront, std::move(line));
        line.clear();
    };

    std::istringstream words(text);
    std::string word;
    std::string line;
    while (words >> word) {
        ReplaceAll(word, "\\n", "\n");
        // A line of L characters takes L cells plus one cell of margin.
        if ((line.size() + word.size()) * 8 + 8 <= maxWidth) {
            if (!line.empty()) {
                line += ' ';
            }
            line += word;
        } else if (!line.empty()) {
            add(line);
            line = word;
        } else {
            line = word; // too long for any line: never broken
        }
    }
    if (!line.empty()) {
        add(line);
    }
}

void KRMessage::ReplaceAll(std::string& str, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return;
    }
    std::size_t pos = 0;
    while ((pos = str.find(from, pos)) != std::string::npos) {
        str.replace(pos, from.size(), to);
        pos += to.size(); // resume after the inserted text so `to` may contain `from`
    }
}

void PostTo(KRMessage* log, const std::string& text) {
    if (log != nullptr) {
        log->SetMessage(text, false);
    }
}
