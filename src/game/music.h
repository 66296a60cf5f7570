// The music: patterns from music/music_def.json, played in zones and fills
// that follow what the player sees. The only user of SDL_mixer.
#pragma once

#include <string>

#include "game.h"

// "Zone" -> Zone, "Fill" -> Fill (exact case), anything else -> Unknown.
MusicPatternType GetMusicPatternType(const std::string& name);
std::string GetMusicPatternTypeName(MusicPatternType type);
// Queues the first pattern of that name and makes it current. Throws
// std::runtime_error for an unknown name; nothing changes then.
void SetNextMusicPattern(const std::string& name);
// Start-up: opens audio, reads music/music_def.json, loads every pattern,
// queues and (if enabled) fades in the first. False after printing the
// failure (also for a music file that is not a regular file of at most 32 MiB,
// and for a successor name the list does not define); a document of the wrong
// shape throws. An empty list is no music.
// Where the music files are still on their way (MusicFilesPresent), the first
// pattern is only queued, and the files are loaded (and what is queued then
// fades in) by the first UpdateMusic that finds them there; one that cannot
// be loaded then mutes the music for the rest of the run.
bool LoadMusicPatterns();
// The pattern the view step (UpdateView) asks for: entry 1 when a guard is
// shown on the map, else entry 0 (entry 0 when the list has only one; null
// when it is empty).
const MusicPatternEntry* WantedMusicPattern(bool enemyInView);
// Queues entry 0 and plays it from its beginning. When the mixer cannot play
// it, the music is muted for the rest of the run (a note on standard error;
// the setting is kept). Does nothing with an empty list or muted music.
void RestartFirstPattern();
// Whether the pattern most recently queued is one of the segments of the zone
// entered at `zone` (the chain of Zone patterns from it); false for null.
bool MusicZoneQueued(const MusicPatternEntry* zone);
// Once per main-loop frame: at the end of the playing segment starts the next
// of its zone's chain, or the requested zone (through a fill leading to it
// when there is one); a request for the zone already playing changes nothing.
// A pattern that cannot play mutes the music for the rest of the run.
void UpdateMusic();
// Whole frames that may pass from now before UpdateMusic has to look again:
// none while the files are on their way or the playing pattern is within a
// few frames of its end, up to three seconds' worth while nothing plays.
int MusicFramesToSpare();
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
