// The title header behind the main and options menus, and the help screen.
#include "screens.h"

#include <string>

#include "font.h"
#include "game.h"
#include "menus.h"
#include "modal.h"
#include "shell.h"
#include "surfaces.h"

namespace {

// The title "VLO" in block letters: each cell names the letter it belongs
// to (a small diamond follows each letter on its last three rows), so one
// picture serves all three colours.
// clang-format off
const char* const Logo[16] = {
    "VVV         VVV     LLLLLL                            OOOOOOO",
    "VVV         VVV     LLLLLL                          OOOOOOOOOOO",
    "VVV         VVV     LLLLLL                         OOOO     OOOO",
    " VVV       VVV      LLLLLL                        OOOO       OOOO",
    " VVV       VVV      LLLLLL                        OOO         OOO",
    " VVV       VVV      LLLLLL                        OOO         OOO",
    "  VVV     VVV       LLLLLL                        OOO         OOO",
    "  VVV     VVV       LLLLLL                        OOO         OOO",
    "   VVV   VVV        LLLLLL                        OOO         OOO",
    "   VVV   VVV        LLLLLL                        OOO         OOO",
    "    VVV VVV         LLLLLL                        OOO         OOO",
    "    VVV VVV         LLLLLL                        OOO         OOO",
    "     VVVVV          LLLLLLLLLLLLLLLLLLLLLLLLL     OOOO       OOOO",
    "     VVVVV       V  LLLLLLLLLLLLLLLLLLLLLLLLL  L   OOOO     OOOO   O",
    "      VVV       V V LLLLLLLLLLLLLLLLLLLLLLLLL L L   OOOOOOOOOOO   O O",
    "       V         V  LLLLLLLLLLLLLLLLLLLLLLLLL  L      OOOOOOO      O",
};
// clang-format on

const char* const HelpLines[] = {
    "^C7|Map:",
    "\\n",
    "^C1^# - Wall",
    "^C15^. - Floor",
    "< - Stairs / Exit (Press USE key on top of stairs / exit to get to the next floor)",
    "> - Stairs (Press USE key on top of stairs to get to the previous floor)",
    "\\n",
    "^C7|Characters / Objects:",
    "\\n",
    "^C10^@ - Player",
    "^C3^- - Baton",
    "^C9^g - Guard",
    "^C2^E - Elite Guard",
    "^C5^! - First Aid Kit",
    "^C8^\\ - Taser",
    "^C7^[ - Riot Shield",
    "^C10^} - Tranquilizer Gun",
    "^C14^? - Stun Grenade",
    "^C12^} - Pepper Spray",
    "% - Unconsious Eenemy / Player",
    "\\n",
    "^C7|Miscellaneous:",
    "\\n",
    ("^C4^\xDB - In-Game Mouse Cursor (Used to hover over characters / objects to see their "
     "descriptions and for certain attacks)"),
    "\\n",
    "\\n",
    "Press any key to return to main menu.",
};

const char* const Copyright = "(C) 2026 The Velvet Lockout developers";

// Draws the cells of one letter of the logo as '#' glyphs.
void DrawLetter(char letter, KRColors color) {
    const int x = (screen->w - 520) / 2;
    for (int r = 0; r < 16; ++r) {
        std::string row = Logo[r];
        for (char& c : row) {
            c = c == letter ? '#' : ' ';
        }
        font->DrawString(screen, row, x, 8 + 8 * r, color);
    }
}

} // namespace

void Header() {
    ClearSurface(screen);
    DrawLetter('V', Red);
    DrawLetter('L', Green);
    DrawLetter('O', Blue);
    const std::string notice = Copyright;
    font->DrawString(screen, notice, (screen->w - 8 * static_cast<int>(notice.size())) / 2, 144,
                     Yellow);
}

void HelpScreen() {
    int selected = -1;
    for (;;) {
        option.clear();
        for (const char* line : HelpLines) {
            option.push_back(line);
        }
        const DialogResult answer = Menu(" Help ", option, 320, selected, true);
        EndFrame();
        if (answer.Answered() || answer.outcome == DialogOutcome::Ending) {
            return;
        }
    }
}
