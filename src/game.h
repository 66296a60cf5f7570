// The main module's shared state: every global of the shell, the rules, the
// presentation, the settings, the saved game and the music, grouped by concern
// with the functions of that concern. All globals are defined in globals.cpp,
// which depends on nothing, so any one part of the game links on its own in a
// test. The world classes never include this header.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "colors.h"
#include "item.h"

class KREntity;
class KRFont;
class KRMap;
class KRMessage;

// ---- shell (shell.cpp): process lifetime, window, frame loop ------------------

extern int gameState;    // 0 playing, 1 player dead, 2 no game
extern int playerAction; // 0 turn spent, 1 no turn, 2 quit with save, 3 won
extern bool playerMovedOrAttacked;
extern bool showInventory;
extern bool gameOver;
extern Uint32 nextTime; // SDL_GetTicks() at which the current frame ends
extern Uint32 flags;
extern SDL_Event event;
extern SDL_Point mousePos; // in 640 x 400 picture pixels
extern int selectedKey;
extern SDL_Window* window;
extern SDL_Renderer* renderer;
extern SDL_Texture* texture;
extern SDL_RendererInfo rendererInfo;
extern SDL_DisplayMode displayMode;
extern SDL_Surface* screen;
extern SDL_Surface* tempSurface;
extern SDL_Surface* panel;
extern SDL_Surface* mapPanel;
extern SDL_Surface* inventoryPanel;
extern KRFont* font;
extern KRMessage* message;
extern const std::string GAMEVERSION;
extern const std::string SAVEGAMESIG;

constexpr Uint32 FrameMs = 60;

bool InitGame(int width, int height, bool accelerated);
void RunGame();
void QuitGame();
// Sleeps until the tick count `until` (SDL_Delay(0) when it has passed).
void Delay(Uint32 until);
// Pushes `screen` to the window through the streaming texture, centred with
// its aspect kept; does nothing when the picture equals the one last
// presented and the window has not changed since.
void PresentScreen();
// SDL_SetWindowFullscreen(window, fullscreenFlags), made to cover the display
// even where no window manager does it, and back to the picture's size.
void SwitchWindowMode(Uint32 fullscreenFlags);
// Makes the next PresentScreen present even an unchanged picture.
void RequestPresent();
// Where the picture lies in a renderer output of that many pixels.
SDL_Rect PicturePlacement(int outputW, int outputH);
// Window pixels -> 640 x 400 picture pixels through that placement; a point
// on a black bar beside the picture gives (-8, -8), outside every cell.
SDL_Point WindowToPicture(int x, int y);

// ---- world state (world.cpp): the current game and its floors -----------------

extern KRMap* theMap;
extern KREntity* player;
extern std::list<KREntity*> entities;
extern std::list<KREntity*>::iterator entityIterator;
extern std::list<KREntity*> inventory;
extern std::list<KREntity*>::iterator inventoryIterator;
extern std::vector<void (*)(KREntity*)> funcVec;
extern std::vector<KRItemActions (*)(KREntity*)> useFuncVec;
extern std::list<std::string> option;
extern std::list<std::string>::iterator optionIterator;
extern std::list<std::string> inventoryMessages;

// Deletes every entity of `entities` and `inventory`; `player` becomes null.
void DestroyEntities();
// Fills funcVec and useFuncVec in the order the spawn tables and saves expect.
void FillFunctionTables();
bool NewGame();
void NextFloor();
void PreviousFloor();

// ---- commands (commands.cpp): key bindings and the player's actions ----------

enum KRActionTypes {
    ActionMoveAttackUp,
    ActionMoveAttackDown,
    ActionMoveAttackLeft,
    ActionMoveAttackRight,
    ActionTake,
    ActionUse,
    ActionDrop,
    ActionCharacterInformation,
    ActionInventory
};
constexpr int ActionCount = 9;

struct KRKeyBinding {
    SDL_Scancode scancode;
    bool pending; // pressed this frame and not yet executed
};
using KRKeyboard = std::multimap<KRActionTypes, KRKeyBinding>;

extern KRKeyboard keyboard;
extern KRKeyboard previousKeyboard;
extern const SDL_Scancode defaultKeys[ActionCount];
extern const char* const actionLabels[ActionCount]; // "Move / Attack Up: " ...

// First entry of `action`, or end().
KRKeyboard::iterator FindBinding(KRKeyboard& table, KRActionTypes action);
// Marks the first binding (in action order) of a scancode as pending.
void MarkKeyPending(SDL_Scancode scancode);
void HandleKeys();
void ExecuteKeyAction(KRActionTypes action);
void PlayerMoveOrAttack(int dx, int dy);

// ---- item effects and targeting (usefunctions.cpp) ----------------------------

KREntity* ClosestEnemy(int maxRange);
std::pair<int, int> TargetTile(int maxRange);
KREntity* TargetEnemy(int maxRange);
KRItemActions UseFirstAidKit(KREntity* user);
KRItemActions UseTranquilizerGun(KREntity* user);
KRItemActions UseStunGrenade(KREntity* user);
KRItemActions UsePepperSpray(KREntity* user);

// ---- death and levelling (death.cpp) -----------------------------------------

void EnemyDeath(KREntity* enemy);
void PlayerDeath(KREntity* player);
bool CheckLevelUp();

// ---- rendering (render.cpp) ---------------------------------------------------

void Render();
void RenderBar(int x, int y, int width, const std::string& name, int value, int maximum,
               SDL_Surface* dst, KRColors barColor, KRColors backColor);
void GetNamesUnderMouse(std::string& out);

// ---- dialogs (menus.cpp) ------------------------------------------------------

bool Menu(const std::string& title, std::list<std::string>& lines, int wrapWidth, int& selected,
          bool anyKey);
bool MSGBox(const std::string& title, std::list<std::string>& lines, int wrapWidth);
int Menu(std::list<std::string>& lines);
KRItem* InventoryMenu(std::list<std::string>& prompt);

// ---- main menu (mainmenu.cpp) and title screens (screens.cpp) ----------------

void MainMenu();
void Header();
void HelpScreen();

// ---- settings (settings.cpp) ----------------------------------------------------

extern bool fullscreen;
extern bool musicEnabled;
extern int musicVolume;
extern bool previousFullscreen;
extern bool previousMusicEnabled;
extern int previousMusicVolume;

bool LoadGameSettings();
bool SaveGameSettings();
void SetDefaultGameSettings();
void SaveOldGameSettings();
void RestoreOldGameSettings();
std::string SetMenuOptionOfKeybinding(KRActionTypes action, const std::string& label);
std::string UpdateKeybinding(KRActionTypes action, const std::string& label, bool update);

// ---- saved game (savegame.cpp) ------------------------------------------------

bool SaveGame();
int LoadGame(std::string& savedVersion);

// ---- options menu (options.cpp) -----------------------------------------------

void OptionsMenu();
bool ToggleFullscreen();
void SetFullscreen(bool on);

// ---- music (music.cpp) --------------------------------------------------------

enum MusicPatternType : unsigned char { Zone, Fill, Unknown };

struct MusicPatternEntry {
    std::string patternName;
    std::string nextPatternName; // empty when the document names none
    std::string fileName;
    Mix_Music* music = nullptr; // owned: freed by FreeMusicPatterns
    MusicPatternType type = Unknown;
};

extern std::vector<std::unique_ptr<MusicPatternEntry>> mMusicPatternEntries;
extern MusicPatternEntry* nextMusicPattern;
extern std::string currentMusicPatternName;
extern std::string nextMusicPatternName;
extern int musicLoopEnd;

// "Zone" -> Zone, "Fill" -> Fill (exact case), anything else -> Unknown.
MusicPatternType GetMusicPatternType(const std::string& name);
std::string GetMusicPatternTypeName(MusicPatternType type);
// Queues the first pattern of that name and makes it current. Throws
// std::runtime_error for an unknown name; nothing changes then.
void SetNextMusicPattern(const std::string& name);
// Start-up: opens audio, reads music/music_def.json, loads every pattern,
// queues and (if enabled) fades in the first. False after printing the
// failure; a document of the wrong shape throws. An empty list is no music.
bool LoadMusicPatterns();
// The pattern the renderer asks for: entry 1 with a guard in view, else entry
// 0 (entry 0 when the list has only one; null when it is empty).
const MusicPatternEntry* WantedMusicPattern(bool enemyInView);
// Queues entry 0 and plays it from its beginning; throws when it cannot play.
// Does nothing with an empty list.
void RestartFirstPattern();
// Whether the pattern most recently queued is one of the segments of the zone
// entered at `zone` (the chain of Zone patterns from it); false for null.
bool MusicZoneQueued(const MusicPatternEntry* zone);
// Once per main-loop frame: at the end of the playing segment starts the next
// of its zone's chain, or the requested zone (through a fill leading to it
// when there is one); a request for the zone already playing changes nothing.
// Throws std::runtime_error when a pattern cannot play.
void UpdateMusic();
// The mixer's music volume, 0-128.
void SetMusicVolume(int volume);
// Stops the music at once (music switched off in the options).
void HaltMusic();
// Shutdown: closes the audio device opened by LoadMusicPatterns.
void CloseMusicAudio();
// Shutdown: fade out and wait (at most 2 s), then (after the settings are
// saved) free every pattern and empty the list.
void FadeOutMusic();
void FreeMusicPatterns();
