// The dialogs: the titled box (one answer per call, the caller loops on its
// own clock) and the lettered inventory box. Both draw into inventoryPanel,
// which is resized to each box.
#include "menus.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <vector>

#include "entity.h"
#include "equipment.h"
#include "font.h"
#include "game.h"
#include "gamepad.h"
#include "glyphs.h"
#include "message.h"
#include "modal.h"
#include "render.h"
#include "rules.h"
#include "shell.h"
#include "surfaces.h"
#include "view.h"

namespace {

DialogResult Outcome(DialogOutcome outcome, int index = -1,
                     SDL_Scancode key = SDL_SCANCODE_UNKNOWN) {
    DialogResult result;
    result.outcome = outcome;
    result.index = index;
    result.key = key;
    return result;
}

// A box that cannot be shown is left as if it had been waited for: the
// caller's frame starts afresh all the same.
DialogResult Refused() {
    RestartFrameClock();
    return Outcome(DialogOutcome::Failed);
}

// The answers every box shares: everything but a key.
DialogResult Unanswered(InputKind kind) {
    switch (kind) {
    case InputKind::MouseToggled: return Outcome(DialogOutcome::MouseToggled);
    case InputKind::Close: return Outcome(DialogOutcome::Closed);
    case InputKind::Ending: return Outcome(DialogOutcome::Ending);
    default: return Outcome(DialogOutcome::Failed);
    }
}

// Makes sure the canvas has exactly this size; false (with the message) when
// a new one cannot be made.
bool ResizeCanvas(int w, int h) {
    if (inventoryPanel != nullptr && inventoryPanel->w == w && inventoryPanel->h == h) {
        return true;
    }
    SDL_FreeSurface(inventoryPanel);
    inventoryPanel = CreateRGBSurface(w, h);
    if (inventoryPanel == nullptr) {
        std::cout << "Couldn't create new surface for HUD: " << SDL_GetError() << std::endl;
        return false;
    }
    return true;
}

// The frame of a box whose content is `e` pixels wide, shifted right by
// `shift`; lines occupy rows topPad + 8 .. topPad + 8 * n.
void DrawFrame(const std::string& title, int e, int shift, int topPad, int n) {
    const int w = e + 32;
    if (!title.empty()) {
        font->DrawChar(inventoryPanel, BoxTopLeft, shift, 0, White);
        font->DrawChar(inventoryPanel, BoxHorizontal, shift + 8, 0, White);
        for (int x = 16; x < e + 16; x += 8) {
            font->DrawChar(inventoryPanel, FullBlock, shift + x, 0, White);
        }
        font->DrawString(inventoryPanel, title,
                         shift + (w - 8 * static_cast<int>(title.size())) / 2, 0, Black);
        font->DrawChar(inventoryPanel, BoxHorizontal, shift + e + 16, 0, White);
        font->DrawChar(inventoryPanel, BoxTopRight, shift + e + 24, 0, White);
    }
    const int bottom = topPad + 16 + 8 * n;
    for (int y = topPad; y < bottom; y += 8) {
        font->DrawChar(inventoryPanel, BoxVertical, shift, y, White);
        font->DrawChar(inventoryPanel, BoxVertical, shift + e + 24, y, White);
    }
    font->DrawChar(inventoryPanel, BoxBottomLeft, shift, bottom, White);
    for (int x = 8; x < e + 20; x += 8) {
        font->DrawChar(inventoryPanel, BoxHorizontal, shift + x, bottom, White);
    }
    font->DrawChar(inventoryPanel, BoxBottomRight, shift + e + 24, bottom, White);
}

// The visible length of a line for centring: leading colour markup counts
// from its terminator on.
int VisibleLength(const std::string& line) {
    const int length = static_cast<int>(line.size());
    if (line.rfind("^C", 0) != 0) {
        return length;
    }
    if (length > 2 && (line[2] == '|' || line[2] == '^')) {
        return length - 2;
    }
    const std::size_t end = line.find_first_of("^|", 2);
    return end == std::string::npos ? length : length - static_cast<int>(end);
}

int ContentWidth(const std::string& title, const std::list<std::string>& lines) {
    std::size_t widest = title.size();
    for (const std::string& line : lines) {
        widest = std::max(widest, line.size());
    }
    return 8 * static_cast<int>(widest);
}

// The line of a box under a finger's tap, counted from the box's first line
// at picture pixel `top`; -1 for anything else. SDL reports a tap as a left
// click of its touch mouse; a desktop mouse's clicks stay no answer in a box.
int TappedLine(const SDL_Event& e, int left, int width, int top, int lines) {
    if (e.type != SDL_MOUSEBUTTONDOWN || e.button.which != SDL_TOUCH_MOUSEID ||
        e.button.button != SDL_BUTTON_LEFT) {
        return -1;
    }
    const SDL_Point at = WindowToPicture(e.button.x, e.button.y);
    if (at.x < left || at.x >= left + width || at.y < top || at.y >= top + 8 * lines) {
        return -1;
    }
    return (at.y - top) / 8;
}

// What a key does in a titled box.
DialogResult TitledAnswer(SDL_Scancode key, int& selected, int entryCount, bool anyKey) {
    if (anyKey) {
        return Outcome(DialogOutcome::KeyPressed, -1, key);
    }
    switch (key) {
    case SDL_SCANCODE_DOWN:
        if (selected == -1) {
            break;
        }
        selected = selected + 1 >= entryCount ? 0 : selected + 1;
        return Outcome(DialogOutcome::Moved);
    case SDL_SCANCODE_UP:
        if (selected == -1) {
            break;
        }
        selected = selected - 1 < 0 ? entryCount - 1 : selected - 1;
        return Outcome(DialogOutcome::Moved);
    case SDL_SCANCODE_RETURN:
        if (selected != -1) {
            return Outcome(DialogOutcome::Chosen, selected);
        }
        break;
    default: break;
    }
    return Outcome(DialogOutcome::OtherKey, -1, key);
}

} // namespace

std::string Highlighted(const std::string& text, bool highlighted) {
    return highlighted ? "> " + text + " <" : text;
}

DialogResult Menu(const std::string& title, std::list<std::string>& lines, int wrapWidth,
                  int& selected, bool anyKey, Backdrop backdrop) {
    inventoryMessages.clear();
    ClearSurface(inventoryPanel);
    const int topPad = title.empty() ? 0 : 8;
    for (const std::string& entry : lines) {
        message->WordWarp(entry, inventoryMessages, static_cast<unsigned>(wrapWidth), true);
    }
    const int n = static_cast<int>(inventoryMessages.size());
    const int e = ContentWidth(title, inventoryMessages);
    const int w = e + 32;
    const int h = topPad + 24 + 8 * n;
    if (!ResizeCanvas(w, h)) {
        return Refused();
    }
    ClearSurface(inventoryPanel);

    DrawFrame(title, e, 0, topPad, n);
    int i = 0;
    for (const std::string& line : inventoryMessages) {
        font->DrawString(inventoryPanel, line, (w - 8 * VisibleLength(line)) / 2,
                         topPad + 8 + 8 * i, i == selected ? Cyan : White);
        ++i;
    }

    const int entryCount = static_cast<int>(lines.size());
    for (;;) {
        if (backdrop == Backdrop::Snapshot) {
            RenderCopyOfSurface();
        }
        // Above the status panel during a game.
        const int over = gameState == GameStatePlaying ? 80 : 0;
        SDL_Rect at = {(screen->w - w) / 2, (screen->h - h - over) / 2, 0, 0};
        SDL_BlitSurface(inventoryPanel, nullptr, screen, &at);
        PresentScreen();

        const Input in = WaitForInput(Pace::Block);
        if (in.kind == InputKind::Other) {
            // A tap on an entry chooses it where entries and lines are one.
            const int line = TappedLine(in.event, at.x, w, at.y + topPad + 8, n);
            if (line >= 0 && selected != -1 && !anyKey && n == entryCount) {
                selected = line;
                return Outcome(DialogOutcome::Chosen, selected);
            }
            continue;
        }
        if (in.kind != InputKind::Key) {
            return Unanswered(in.kind);
        }
        DialogResult answer =
            TitledAnswer(in.event.key.keysym.scancode, selected, entryCount, anyKey);
        answer.fromPad = in.fromPad;
        return answer;
    }
}

DialogResult MSGBox(const std::string& title, std::list<std::string>& lines, int wrapWidth) {
    int selected = -1;
    return Menu(title, lines, wrapWidth, selected, false);
}

DialogResult SaveFailureBox(const std::string& title, const std::string& what,
                            const std::string& reason, const std::string& backTo) {
    option.clear();
    option.push_back(what + " could not be saved: " + reason + ".");
    option.push_back("\\n");
    option.push_back("Press any key to return to " + backTo + ".");
    return MSGBox(title, option, 320);
}

DialogResult Menu(std::list<std::string>& lines) {
    if (option.size() > 26) {
        std::cout << "Can't have a menu with more than 26 options!" << std::endl;
        return Refused();
    }
    ClearSurface(inventoryPanel);
    // The wrapped lines of each entry, for the pad's highlight and a tap: entry k
    // spans lines firstLine[k] .. firstLine[k + 1] - 1.
    std::vector<int> firstLine;
    char letter = 'a';
    for (const std::string& entry : option) {
        firstLine.push_back(static_cast<int>(lines.size()));
        const std::string text =
            inventory.empty() ? entry : std::string("(") + letter++ + ") " + entry;
        message->WordWarp(text, lines, 464, true);
    }
    firstLine.push_back(static_cast<int>(lines.size()));
    const std::string title = "Inventory";
    const int e = std::max(8 * static_cast<int>(title.size()), ContentWidth("", lines));
    const int n = static_cast<int>(lines.size());
    if (!ResizeCanvas(464, 16 + 8 * n + 16)) {
        return Refused();
    }
    ClearSurface(inventoryPanel);
    // The frame is centred in the fixed-width canvas; its bottom row sits
    // below the last line as in the titled box.
    DrawFrame(title, e, (464 - e - 32) / 2, 8, n);
    for (std::string& line : lines) {
        std::transform(line.begin(), line.end(), line.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    // Only items can be pointed at: "Inventory is empty." is no choice.
    const int count = static_cast<int>(option.size());
    const int choices = inventory.empty() ? 0 : count;
    int pointed = 0;
    int drawnPointed = -2; // the lines as last drawn: none yet
    for (;;) {
        const int highlight = GamepadInUse() && choices > 0 ? pointed : -1;
        if (highlight != drawnPointed) {
            int i = 0;
            for (const std::string& line : lines) {
                const bool lit = highlight >= 0 && i >= firstLine[static_cast<size_t>(highlight)] &&
                                 i < firstLine[static_cast<size_t>(highlight) + 1];
                font->DrawString(inventoryPanel, line,
                                 (464 - 8 * static_cast<int>(line.size())) / 2, 16 + 8 * i,
                                 lit ? Cyan : White);
                ++i;
            }
            drawnPointed = highlight;
        }
        UpdateView();
        Render();
        const Input in = WaitForInput(Pace::Block, F2Key::IsAKey);
        if (in.kind == InputKind::Other) {
            const SDL_Point box = InventoryBoxAt();
            const int line = TappedLine(in.event, box.x, inventoryPanel->w, box.y + 16, n);
            if (line >= firstLine.front() && choices > 0) {
                const auto after = std::upper_bound(firstLine.begin(), firstLine.end(), line);
                return Outcome(DialogOutcome::Chosen,
                               static_cast<int>(after - firstLine.begin()) - 1);
            }
            continue;
        }
        if (in.kind != InputKind::Key) {
            return Unanswered(in.kind);
        }
        const SDL_Scancode key = in.event.key.keysym.scancode;
        if (in.fromPad) {
            if (key == SDL_SCANCODE_DOWN || key == SDL_SCANCODE_UP) {
                if (choices > 0) {
                    pointed = (pointed + (key == SDL_SCANCODE_DOWN ? 1 : choices - 1)) % choices;
                }
                continue;
            }
            if (key == SDL_SCANCODE_RETURN && choices > 0) {
                DialogResult chosen = Outcome(DialogOutcome::Chosen, pointed, key);
                chosen.fromPad = true;
                return chosen;
            }
            if (key != SDL_SCANCODE_ESCAPE && key != SDL_SCANCODE_RETURN) {
                continue; // left and right point at nothing
            }
            DialogResult cancelled = Outcome(DialogOutcome::OtherKey, -1, key);
            cancelled.fromPad = true;
            return cancelled;
        }
        const int index = static_cast<int>(key) - SDL_SCANCODE_A;
        if (index >= 0 && index <= SDL_SCANCODE_Z - SDL_SCANCODE_A && index < count) {
            return Outcome(DialogOutcome::Chosen, index, key);
        }
        return Outcome(DialogOutcome::OtherKey, -1, key);
    }
}

KRItem* InventoryMenu(std::list<std::string>& prompt) {
    option.clear();
    if (inventory.empty()) {
        option.push_back("Inventory is empty.");
    } else {
        const KREquipment* worn = player != nullptr ? player->equipment : nullptr;
        for (inventoryIterator = inventory.begin(); inventoryIterator != inventory.end();
             ++inventoryIterator) {
            const KREntity* e = *inventoryIterator;
            const bool equipped = worn != nullptr && (worn->mainHand == e || worn->offHand == e);
            option.push_front(e->name + (equipped ? " (Equipped)" : ""));
        }
    }
    const DialogResult answer = Menu(prompt);
    if (answer.outcome != DialogOutcome::Chosen || inventory.empty()) {
        return nullptr;
    }
    // Letter (a) is the last entity of the inventory.
    inventoryIterator = inventory.begin();
    std::advance(inventoryIterator, static_cast<long>(inventory.size()) - 1 - answer.index);
    return (*inventoryIterator)->item;
}
