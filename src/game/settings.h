// The settings file game.cfg: fullscreen, music, volume and key bindings,
// and the copy kept while the options screen is open.
#pragma once

#include <string>

#include "game.h"

// Reads game.cfg into the settings globals (missing bindings get their
// defaults, the volume is brought into 0-128); false, with nothing changed,
// when there is none (silently: the first start) or when it cannot be used
// whole. A damaged file is moved to game.cfg.damaged, replacing an older one,
// with a one-line note on standard error. Never throws for any content.
bool LoadGameSettings();
// Writes the settings globals to game.cfg; false when it cannot be written,
// with why in `reason` when one is given. Throws std::runtime_error when
// building the document fails.
bool SaveGameSettings(std::string* reason = nullptr);
// Fullscreen, music on at 96, the default keys.
void SetDefaultGameSettings();
// Keeps a copy of the settings for RestoreOldGameSettings.
void SaveOldGameSettings();
void RestoreOldGameSettings();
// "label" + the name of the first key bound to `action`.
std::string SetMenuOptionOfKeybinding(KRActionTypes action, const std::string& label);
// With update, binds `action` to selectedKey first; then as above.
std::string UpdateKeybinding(KRActionTypes action, const std::string& label, bool update);
