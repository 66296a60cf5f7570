// The main module's shared state: every global of the game and the types
// they share, grouped by the module that looks after them. All globals are
// defined in globals.cpp, which depends on nothing, so any one part of the
// game links on its own in a test. Each module's functions are declared in
// its own header; the world classes never include this one.
#pragma once

#include <SDL.h>

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
// SDL_mixer's own declaration of the type, so that only music.cpp compiles
// against the mixer.
typedef struct _Mix_Music Mix_Music;

// One frame of every loop of the game lasts this long.
constexpr Uint32 FrameMs = 60;

// ---- shell (shell.h): process lifetime, window, frame loop --------------------

// Whether a game runs and the player in it is alive. Held in an int: a saved
// game stores it as a number ("GameState", playing or dead).
enum KRGameStates { GameStatePlaying = 0, GameStatePlayerDead = 1, GameStateNoGame = 2 };

// What the player's input came to in the current frame. Only a spent turn
// lets the guards act; the last two end the running game.
enum KRPlayerActions { TurnSpent = 0, NoTurn = 1, QuitWithSave = 2, GameWon = 3 };

extern int gameState;    // a KRGameStates
extern int playerAction; // a KRPlayerActions
extern bool playerMovedOrAttacked;
extern bool showInventory;
extern bool gameOver;
extern Uint32 nextTime; // SDL_GetTicks() at which the current frame ends
extern Uint32 flags;    // the window flags last applied: start-up, then the fullscreen switches
extern SDL_Event event;
extern SDL_Point mousePos; // in 640 x 400 picture pixels
extern int selectedKey;
extern SDL_Window* window;
extern SDL_Renderer* renderer;
extern SDL_Texture* texture;
extern SDL_RendererInfo rendererInfo;
extern SDL_Surface* screen;
extern SDL_Surface* tempSurface;
extern SDL_Surface* panel;
extern SDL_Surface* mapPanel;
extern SDL_Surface* inventoryPanel;
extern KRFont* font;
extern KRMessage* message;
extern const std::string GAMEVERSION;
extern const std::string SAVEGAMESIG;

// ---- world state (floors.h): the current game and its floors ------------------

extern KRMap* theMap;
extern KREntity* player;
extern std::list<KREntity*> entities;
extern std::list<KREntity*>::iterator entityIterator;
extern std::list<KREntity*> inventory;
extern std::list<KREntity*>::iterator inventoryIterator;
extern std::vector<void (*)(KREntity*)> funcVec;
extern std::vector<KRItemActions (*)(KREntity*)> useFuncVec;
extern std::list<std::string> option;
extern std::list<std::string> inventoryMessages;

// ---- key bindings (commands.h, settings.h): the actions and their keys ---------

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

// ---- settings (settings.h) ------------------------------------------------------

extern bool fullscreen;
extern bool musicEnabled;
extern int musicVolume;
extern bool previousFullscreen;
extern bool previousMusicEnabled;
extern int previousMusicVolume;

// ---- music (music.h) ------------------------------------------------------------

enum MusicPatternType : unsigned char { Zone, Fill, Unknown };

struct MusicPatternEntry {
    std::string patternName;
    std::string nextPatternName; // empty when the document names none
    std::string fileName;
    Mix_Music* music = nullptr; // owned: freed by FreeMusicPatterns
    MusicPatternType type = Unknown;
    std::string fileBytes; // the file's content, which `music` reads from as it plays
};

extern std::vector<std::unique_ptr<MusicPatternEntry>> mMusicPatternEntries;
extern MusicPatternEntry* nextMusicPattern;
extern std::string currentMusicPatternName;
extern std::string nextMusicPatternName;
extern int musicLoopEnd;
