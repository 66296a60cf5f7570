// Background music: the pattern list of music/music_def.json, the one-slot
// queue and the switch from pattern to pattern at their boundaries. The only
// file that drives SDL_mixer's music; it knows nothing of the world or of the
// drawing, and everything here runs on the main thread.
#include "music.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "game.h"
#include "korJSON/korJSON.h"
#include "platform.h"

// Seeing a boundary. A pattern loops inside the mixer (Mix_PlayMusic with -1),
// and SDL_mixer 2.6 restarts the reported position at every loop, so the
// position never reaches the duration and a rule "position >= length" never
// fires. What the mixer reports is how far its decoder has read: for WAV it
// steps in blocks of 4096 frames, for Ogg packet by packet as the mixer asks,
// while the audio device takes 2048 frames at a time, and anything we start
// takes over at the next of those 2048-frame chunks. So a loop has ended when
// the position has reached the length or gone backwards since the previous
// frame, and that is when the queued pattern is started.
//
// The game's patterns are Ogg files of a whole number of 2048-frame chunks
// (tools/musicgen.cpp makes them so; WAV would need 2048 more than a multiple
// of 4096). For them the position reaches the end exactly when the pattern's
// last chunk has been mixed, so a pattern started in that frame begins on the
// boundary to the frame (measured on the disk driver: the segments of a zone
// follow each other sample for sample), and one started a frame later begins
// one chunk (46 ms) after it; the old pattern is never cut short. Other
// lengths still switch, within about one block of the boundary.
//
// A wrap seen long after it happened (the main loop was held by a dialog) is
// not a boundary: starting then would cut the new loop mid-bar, so the switch
// waits for the next one. A pattern queued onto itself is left to the mixer's
// own seamless loop instead of being restarted.
//
// Zones and their chains. A zone is the chain of Zone patterns that starts at
// the pattern the view step asks for (entry 0 or 1) and follows each pattern's
// successor until it comes back: the game's zones are eight segments of two
// bars each, half a minute before they repeat. The chain is the only record of
// which zone a segment belongs to, so the definition document needs no more
// fields. A request for the zone already playing (any of its segments) changes
// nothing: the chain goes on. A request for a zone whose chain loops back to
// it enters the loop at the requested segment itself, since the successor
// rule would skip the zone's first segment; a chain that never comes back
// (B -> C -> C) keeps the successor rule (C starts).
//
// Fills. When the switch leaves one zone for another, a Fill whose successor
// is the requested pattern plays first as a bridge, while the target stays
// queued and current; the target follows at the bridge's end unless another
// request came in meanwhile. (This is the one place the kind of a pattern
// matters after loading.)
//
// A pattern the mixer refuses to start in the middle of a run (its decoder
// failed, the device went away) does not end the game: the music stays off for
// the rest of the run, with a note on standard error, and the "Music" setting
// the player chose is kept for the next one.
//
// Files that come later. A page shows its first frame before its music has
// been downloaded (MusicFilesPresent): the list is read and the first pattern
// queued at start-up as always, requests move the queue meanwhile, and the
// files are loaded in the first frame that finds them there, when whatever is
// queued then fades in. A file that arrives damaged, or not at all, leaves the
// music off for the run, as a pattern that fails to start does.

namespace {

const char* const DefinitionFile = "music/music_def.json";
// The game's definition is a few kilobytes and its patterns a few hundred.
constexpr std::size_t MaxDefinitionBytes = 1024 * 1024;
constexpr std::size_t MaxMusicFileBytes = 32 * 1024 * 1024;
constexpr int FadeInMs = 500;
constexpr int FadeOutMs = 500;
constexpr int Frequency = 44100;
constexpr int Channels = 2;
constexpr int ChunkFrames = 2048;
// A backwards step of the position counts as a boundary only this close to the
// start of the new loop (the position moves in 93 ms blocks).
constexpr int LateWrapMs = 2 * static_cast<int>(FrameMs);
// A game left alone may sleep through frames until this many before the
// playing pattern's end: the position moves in blocks of up to 93 ms, and a
// page's timers can fire late.
constexpr int BoundaryMarginFrames = 4;
constexpr int MaxSpareFrames = 50;

MusicPatternEntry* playing = nullptr;      // what the mixer plays, as we started it
MusicPatternEntry* bridgeTarget = nullptr; // set while a fill bridges to it
int lastPositionMs = 0;                    // position at the previous frame
bool muted = false;                        // a pattern failed to start: no music this run
bool filesComing = false;                  // the list is read, its files are still on the way

int DurationMs(Mix_Music* music) {
    return static_cast<int>(Mix_MusicDuration(music) * 1000.0);
}

// Reads the entry's file and decodes it from memory; false with SDL's error
// saying why. The file is read whole first, so a pipe or a device in its
// place is refused at start-up instead of waited on.
bool LoadPatternMusic(MusicPatternEntry& entry) {
    std::string reason;
    if (!korJSON::ReadRegularFile(entry.fileName, entry.fileBytes, MaxMusicFileBytes, reason)) {
        SDL_SetError("%s: %s", entry.fileName.c_str(), reason.c_str());
        return false;
    }
    if (entry.fileBytes.empty()) {
        SDL_SetError("%s: the file is empty", entry.fileName.c_str());
        return false;
    }
    // The mixer decodes as it plays, reading these bytes all the while.
    entry.music = Mix_LoadMUS_RW(
        SDL_RWFromConstMem(entry.fileBytes.data(), static_cast<int>(entry.fileBytes.size())), 1);
    return entry.music != nullptr;
}

void Mute(const char* failed = "play") {
    std::cerr << "Failed to " << failed << " music! SDL_mixer Error: " << SDL_GetError()
              << " (the music stays off until the game is started again)" << std::endl;
    muted = true;
    Mix_HaltMusic();
    playing = nullptr;
    bridgeTarget = nullptr;
    nextMusicPattern = nullptr;
}

// Starts `entry` from its beginning in an endless loop; its loop end becomes
// the one measured against. False when the mixer refuses, and the music is
// then muted for the rest of the run.
bool StartPattern(MusicPatternEntry* entry) {
    if (Mix_PlayMusic(entry->music, -1) == -1) {
        Mute();
        return false;
    }
    musicLoopEnd = DurationMs(entry->music);
    playing = entry;
    lastPositionMs = 0;
    return true;
}

MusicPatternEntry* FindPattern(const std::string& name) {
    for (auto& entry : mMusicPatternEntries) {
        if (entry->patternName == name) {
            return entry.get();
        }
    }
    return nullptr;
}

// The segments of the zone entered at `head`, in playing order; `loops` tells
// whether the last one leads back to `head`.
std::vector<const MusicPatternEntry*> ZoneChain(const MusicPatternEntry* head, bool& loops) {
    std::vector<const MusicPatternEntry*> chain;
    loops = false;
    const MusicPatternEntry* at = head;
    while (at != nullptr && at->type == Zone) {
        if (std::find(chain.begin(), chain.end(), at) != chain.end()) {
            loops = at == head;
            break;
        }
        chain.push_back(at);
        at = at->nextPatternName.empty() ? nullptr : FindPattern(at->nextPatternName);
    }
    return chain;
}

bool InZone(const MusicPatternEntry* head, const MusicPatternEntry* segment) {
    bool loops = false;
    const auto chain = ZoneChain(head, loops);
    return std::find(chain.begin(), chain.end(), segment) != chain.end();
}

// A fill that leads into `target` from the playing pattern (neither of them
// itself), or null.
MusicPatternEntry* FillInto(const MusicPatternEntry* target) {
    for (auto& entry : mMusicPatternEntries) {
        if (entry->type == Fill && entry.get() != target && entry.get() != playing &&
            entry->nextPatternName == target->patternName) {
            return entry.get();
        }
    }
    return nullptr;
}

// The queued pattern (nextMusicPattern) starts the music with a fade, at
// start-up or when the files have come. False when the mixer refuses it.
bool FadeInQueued() {
    musicLoopEnd = DurationMs(nextMusicPattern->music);
    if (musicEnabled) {
        if (Mix_FadeInMusic(nextMusicPattern->music, -1, FadeInMs) == -1) {
            return false;
        }
        playing = nextMusicPattern;
        lastPositionMs = 0;
    }
    nextMusicPattern = nullptr;
    return true;
}

// The first frame that finds the files there: each is loaded, and the
// pattern queued meanwhile fades in as the first one does at start-up.
void LoadArrivedFiles() {
    filesComing = false;
    for (auto& entry : mMusicPatternEntries) {
        if (!LoadPatternMusic(*entry)) {
            Mute("load");
            return;
        }
    }
    MusicPatternEntry* queued = FindPattern(currentMusicPatternName);
    if (queued == nullptr) {
        queued = mMusicPatternEntries[0].get();
    }
    SetNextMusicPattern(queued->patternName);
    if (!FadeInQueued()) {
        Mute();
    }
}

bool RestsOnItself(const MusicPatternEntry* entry) {
    return entry->nextPatternName.empty() || entry->nextPatternName == entry->patternName;
}

// The fill to play before `target` when leaving the playing pattern, or null.
MusicPatternEntry* BridgeInto(const MusicPatternEntry* target) {
    return playing != nullptr && RestsOnItself(playing) ? FillInto(target) : nullptr;
}

} // namespace

MusicPatternType GetMusicPatternType(const std::string& name) {
    if (name == "Zone") {
        return Zone;
    }
    if (name == "Fill") {
        return Fill;
    }
    return Unknown;
}

std::string GetMusicPatternTypeName(MusicPatternType type) {
    switch (type) {
    case Zone: return "Zone";
    case Fill: return "Fill";
    default: return "Unknown";
    }
}

void SetNextMusicPattern(const std::string& name) {
    MusicPatternEntry* entry = FindPattern(name);
    if (entry == nullptr) {
        throw std::runtime_error("Requested zone or fill could not be found: " + name);
    }
    nextMusicPattern = entry;
    currentMusicPatternName = entry->patternName;
    nextMusicPatternName = entry->nextPatternName;
}

bool LoadMusicPatterns() {
    if (Mix_OpenAudio(Frequency, AUDIO_S16LSB, Channels, ChunkFrames) < 0) {
        std::cerr << "SDL_mixer could not initialize! SDL_mixer Error: " << SDL_GetError()
                  << std::endl;
        return false;
    }
    Mix_VolumeMusic(musicVolume);
    muted = false;
    filesComing = false;
    const bool filesPresent = MusicFilesPresent();

    korJSON::korJSONData document;
    korJSON::korJSONStream stream;
    stream.maxFileBytes = MaxDefinitionBytes;
    if (!stream.ParseFile(DefinitionFile, document, korJSON::JSON)) {
        std::cerr << "Failed to load music definition file!" << std::endl;
        return false;
    }
    // Wrong shapes (no object, no "patterns", a missing member) raise the
    // document library's exceptions, which end the program through its entry.
    const korJSON::korJSONData& patterns = document["patterns"];
    const unsigned count = patterns.arraySize();
    for (unsigned i = 0; i < count; ++i) {
        const korJSON::korJSONData& pattern = patterns[static_cast<int>(i)];
        auto entry = std::make_unique<MusicPatternEntry>();
        entry->patternName = pattern["patternName"].toString();
        entry->nextPatternName.clear();
        if (pattern.contains("nextPatternName")) {
            entry->nextPatternName = pattern["nextPatternName"].toString();
        }
        entry->fileName = pattern["fileName"].toString();
        entry->type = GetMusicPatternType(pattern["type"].toString());
        if (entry->type == Unknown) {
            std::cerr << "Given pattern type is unknown!" << std::endl;
            return false;
        }
        if (filesPresent && !LoadPatternMusic(*entry)) {
            std::cerr << "Failed to load music! SDL_mixer Error: " << SDL_GetError() << std::endl;
            return false;
        }
        mMusicPatternEntries.push_back(std::move(entry));
    }
    // The switch asks for successors by name in the middle of a game, where a
    // name that is not in the list could only end it.
    for (const auto& entry : mMusicPatternEntries) {
        if (!entry->nextPatternName.empty() && FindPattern(entry->nextPatternName) == nullptr) {
            std::cerr << "Music definition refused: pattern \"" << entry->patternName
                      << "\" names \"" << entry->nextPatternName
                      << "\" as the next pattern, and no pattern has that name" << std::endl;
            return false;
        }
    }

    // An empty list is a game without music: nothing is queued or played, and
    // the other operations leave the mixer alone.
    if (mMusicPatternEntries.empty()) {
        musicLoopEnd = 0;
        return true;
    }
    SetNextMusicPattern(mMusicPatternEntries[0]->patternName);
    if (!filesPresent) {
        std::vector<std::string> fileNames;
        for (const auto& entry : mMusicPatternEntries) {
            fileNames.push_back(entry->fileName);
        }
        FetchMusicFiles(fileNames, MaxMusicFileBytes);
        filesComing = true;
        musicLoopEnd = 0;
        return true;
    }
    if (!FadeInQueued()) {
        std::cerr << "Failed to play music! SDL_mixer Error: " << SDL_GetError() << std::endl;
        return false;
    }
    return true;
}

const MusicPatternEntry* WantedMusicPattern(bool enemyInView) {
    if (mMusicPatternEntries.empty()) {
        return nullptr;
    }
    if (enemyInView && mMusicPatternEntries.size() >= 2) {
        return mMusicPatternEntries[1].get();
    }
    return mMusicPatternEntries[0].get();
}

void RestartFirstPattern() {
    if (mMusicPatternEntries.empty() || muted) {
        return;
    }
    SetNextMusicPattern(mMusicPatternEntries[0]->patternName);
    bridgeTarget = nullptr;
    if (filesComing) {
        return; // it starts when the files are there
    }
    StartPattern(nextMusicPattern);
    nextMusicPattern = nullptr;
}

void UpdateMusic() {
    if (filesComing) {
        if (MusicFilesPresent()) {
            LoadArrivedFiles();
        }
        return;
    }
    if (!musicEnabled || muted || playing == nullptr) {
        return;
    }
    const double seconds = Mix_GetMusicPosition(nullptr);
    if (seconds < 0) {
        return; // halted: nothing to follow until a pattern is started again
    }
    const int position = static_cast<int>(seconds * 1000.0);
    const bool wrapped = position < lastPositionMs && position <= LateWrapMs;
    lastPositionMs = position;
    if (position < musicLoopEnd && !wrapped) {
        return;
    }

    if (bridgeTarget != nullptr) {
        MusicPatternEntry* target = bridgeTarget;
        bridgeTarget = nullptr;
        if (nextMusicPattern == target && currentMusicPatternName == target->patternName) {
            StartPattern(target);
            nextMusicPattern = nullptr;
            return;
        }
    }
    if (MusicPatternEntry* request = nextMusicPattern;
        request != nullptr && request->type == Zone) {
        bool loops = false;
        const auto chain = ZoneChain(request, loops);
        if (std::find(chain.begin(), chain.end(), playing) != chain.end()) {
            // The zone already playing: back to where its chain stands.
            SetNextMusicPattern(playing->patternName);
            nextMusicPattern = nullptr;
        } else if (loops) {
            MusicPatternEntry* fill = playing->type == Zone ? FillInto(request) : nullptr;
            if (fill != nullptr) {
                if (StartPattern(fill)) {
                    bridgeTarget = request;
                }
                return;
            }
            StartPattern(request);
            nextMusicPattern = nullptr;
            return;
        }
    }
    if (!nextMusicPatternName.empty()) {
        SetNextMusicPattern(nextMusicPatternName);
    }
    MusicPatternEntry* target = nextMusicPattern;
    if (target == nullptr) {
        return;
    }
    if (target == playing) {
        nextMusicPattern = nullptr;
        return;
    }
    if (MusicPatternEntry* bridge = BridgeInto(target)) {
        if (StartPattern(bridge)) {
            bridgeTarget = target;
        }
        return;
    }
    StartPattern(target);
    nextMusicPattern = nullptr;
}

int MusicFramesToSpare() {
    if (filesComing) {
        return 0;
    }
    const double seconds =
        musicEnabled && !muted && playing != nullptr ? Mix_GetMusicPosition(nullptr) : -1.0;
    if (seconds < 0) {
        return MaxSpareFrames;
    }
    const int left = musicLoopEnd - static_cast<int>(seconds * 1000.0);
    return std::clamp(left / static_cast<int>(FrameMs) - BoundaryMarginFrames, 0, MaxSpareFrames);
}

bool MusicZoneQueued(const MusicPatternEntry* zone) {
    const MusicPatternEntry* queued = FindPattern(currentMusicPatternName);
    return zone != nullptr && queued != nullptr && InZone(zone, queued);
}

void SetMusicVolume(int volume) {
    Mix_VolumeMusic(volume);
}

void HaltMusic() {
    Mix_HaltMusic();
}

void CloseMusicAudio() {
    Mix_CloseAudio();
}

void FadeOutMusic() {
    if (!Mix_PlayingMusic()) {
        return;
    }
    Mix_FadeOutMusic(FadeOutMs);
    // The fade ends on the audio thread; a device that stopped calling back
    // must not hang the shutdown, so the wait gives up after four fades.
    const Uint32 giveUp = SDL_GetTicks() + 4 * FadeOutMs;
    while (Mix_PlayingMusic() && SDL_GetTicks() < giveUp) {
        SDL_Delay(1);
    }
    playing = nullptr;
}

void FreeMusicPatterns() {
    for (auto& entry : mMusicPatternEntries) {
        if (entry->music != nullptr) {
            Mix_FreeMusic(entry->music);
            entry->music = nullptr;
        }
    }
    mMusicPatternEntries.clear();
    nextMusicPattern = nullptr;
    currentMusicPatternName.clear();
    nextMusicPatternName.clear();
    musicLoopEnd = 0;
    playing = nullptr;
    bridgeTarget = nullptr;
    lastPositionMs = 0;
    muted = false;
    filesComing = false;
}
