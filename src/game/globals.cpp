// Definitions of every global of the main module (declared in game.h), with
// their initial values. Nothing here calls anything, so linking one module
// of the game into a test never drags in the rest.
#include "game.h"

// ---- shell
int gameState = GameStateNoGame;
int playerAction = TurnSpent;
bool playerMovedOrAttacked = false;
bool showInventory = false;
bool gameOver = false;
Uint32 nextTime = 0;
Uint32 flags = 0;
SDL_Event event;
SDL_Point mousePos = {0, 0};
int selectedKey = 0;
SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
SDL_RendererInfo rendererInfo;
SDL_Surface* screen = nullptr;
SDL_Surface* tempSurface = nullptr;
SDL_Surface* panel = nullptr;
SDL_Surface* mapPanel = nullptr;
SDL_Surface* inventoryPanel = nullptr;
KRFont* font = nullptr;
KRMessage* message = nullptr;
const std::string GAMEVERSION = "0.3";
const std::string SAVEGAMESIG = "VLOSG";

// ---- world state
KRMap* theMap = nullptr;
KREntity* player = nullptr;
std::list<KREntity*> entities;
std::list<KREntity*>::iterator entityIterator = entities.end();
std::list<KREntity*> inventory;
std::list<KREntity*>::iterator inventoryIterator = inventory.end();
std::vector<void (*)(KREntity*)> funcVec;
std::vector<KRItemActions (*)(KREntity*)> useFuncVec;
std::list<std::string> option;
std::list<std::string> inventoryMessages;

// ---- commands
KRKeyboard keyboard;
KRKeyboard previousKeyboard;
const SDL_Scancode defaultKeys[ActionCount] = {
    SDL_SCANCODE_UP,    SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT, SDL_SCANCODE_G,
    SDL_SCANCODE_SPACE, SDL_SCANCODE_D,    SDL_SCANCODE_C,    SDL_SCANCODE_I};
const char* const actionLabels[ActionCount] = {"Move / Attack Up: ",
                                               "Move / Attack Down: ",
                                               "Move / Attack Left: ",
                                               "Move / Attack Right: ",
                                               "Take: ",
                                               "Use: ",
                                               "Drop: ",
                                               "Character Information: ",
                                               "Inventory: "};

// ---- settings
bool fullscreen = true;
bool musicEnabled = true;
int musicVolume = 96;
bool previousFullscreen = true;
bool previousMusicEnabled = true;
int previousMusicVolume = 96;

// ---- music
std::vector<std::unique_ptr<MusicPatternEntry>> mMusicPatternEntries;
MusicPatternEntry* nextMusicPattern = nullptr;
std::string currentMusicPatternName;
std::string nextMusicPatternName;
int musicLoopEnd = 0;
