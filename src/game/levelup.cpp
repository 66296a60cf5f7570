// Levelling up (threshold in rules.h): experience counts from the last
// level-up, so the threshold is subtracted and any surplus carries over. At
// most one level is gained per call; a surplus that reaches the next
// threshold waits a frame. The player picks the stat in a titled dialog.
#include "levelup.h"

#include <string>
#include <vector>

#include "entity.h"
#include "fighter.h"
#include "font.h"
#include "game.h"
#include "menus.h"
#include "message.h"
#include "modal.h"
#include "rules.h"
#include "shell.h"
#include "surfaces.h"

namespace {

constexpr int LevelUpWidth = 464;

// The three choices as the dialog lists them, promising the with-equipment
// value the stat will reach.
std::vector<std::string> LevelUpChoices(const KRFighter* f) {
    return {"Vitality (+20 HP, will reach " + std::to_string(f->GetMaxHP(false) + VitalityGain) +
                ")",
            "Strength (+1 attack, will reach " + std::to_string(f->GetPower(false) + StrengthGain) +
                ")",
            "Agility (+1 defense, will reach " +
                std::to_string(f->GetDefense(false) + AgilityGain) + ")"};
}

// Runs the dialog until Return confirms a choice; returns its index. A
// window-close request ends the dialog with the highlighted choice and sets
// `gameOver`, so the running game still ends (unsaved) as a close would,
// instead of the request being swallowed by a dialog that cannot be left.
int ChooseStat(const std::vector<std::string>& choices) {
    CopyOfSurface(); // the dialog restores the picture behind it on every redraw
    int selected = 0;
    for (;;) {
        option.clear();
        for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
            const std::string& text = choices[static_cast<std::size_t>(i)];
            option.push_back(Highlighted(text, i == selected));
        }
        const DialogResult answer =
            Menu(LevelUpTitle, option, LevelUpWidth, selected, false, Backdrop::Snapshot);
        switch (answer.outcome) {
        case DialogOutcome::Chosen: return selected;
        case DialogOutcome::Closed: gameOver = true; return selected;
        case DialogOutcome::Ending: return selected; // the game is then saved with this choice
        default: break;
        }
        EndFrame();
    }
}

} // namespace

bool CheckLevelUp() {
    if (player == nullptr || player->fighter == nullptr) {
        return false;
    }
    KRFighter* f = player->fighter;
    const int threshold = LevelUpThreshold(f->level);
    if (f->xp < threshold) {
        return false;
    }
    f->SetLevel(1, false);
    f->SetXP(-threshold, false);
    PostTo(message, "Your combat prowess increases! You have advanced to level " +
                        std::to_string(f->level) + "!");

    switch (ChooseStat(LevelUpChoices(f))) {
    case 0:
        f->SetMaxHP(VitalityGain, false);
        f->SetHP(VitalityGain, false);
        break;
    case 1: f->SetPower(StrengthGain, false); break;
    default: f->SetDefense(AgilityGain, false); break;
    }
    return true;
}
