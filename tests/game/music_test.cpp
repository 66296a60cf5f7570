// The music on the real mixer: the pattern list read at start-up, the queue,
// and the switch at pattern boundaries, with small patterns written by the
// test into a scratch folder (dummy audio driver), or with the mixed output
// itself read back (disk audio driver).
#include <SDL.h>
#include <SDL_mixer.h>

#include <gtest/gtest.h>

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game.h"
#include "music.h"
#include "scratch.h"

namespace {

namespace fs = std::filesystem;

// Pattern lengths the game's music also has: 2048 frames over a multiple of
// 4096 (about 0.42, 0.33, 0.23 and 0.14 s).
constexpr int FramesA = 4 * 4096 + 2048;
constexpr int FramesB = 3 * 4096 + 2048;
constexpr int FramesC = 2 * 4096 + 2048;
constexpr int FramesF = 1 * 4096 + 2048;

// `x` as `bytes` little-endian bytes.
std::string Le(unsigned x, int bytes) {
    std::string b;
    for (int i = 0; i < bytes; ++i) {
        b += static_cast<char>((x >> (8 * i)) & 0xFF);
    }
    return b;
}

// A stereo 16-bit WAV whose frame i holds `base + step * (i + 1)` on both
// channels, titled `title` (the mixer reports it for the playing music). The
// ramp tells, in mixed output, which pattern played and which frame of it.
void WriteRamp(const std::string& path, int frames, int base, int step, const std::string& title) {
    std::string data;
    for (int i = 0; i < frames; ++i) {
        const unsigned v = static_cast<unsigned>(base + step * (i + 1));
        data += Le(v, 2) + Le(v, 2);
    }
    std::string name = title + '\0';
    if (name.size() % 2) {
        name += '\0';
    }
    // PCM, 2 channels, 44100 frames/s, 4 bytes a frame, 16 bits a sample
    const std::string body = "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(2, 2) + Le(44100, 4) +
                             Le(44100 * 4, 4) + Le(4, 2) + Le(16, 2) + "LIST" +
                             Le(static_cast<unsigned>(12 + name.size()), 4) + "INFOINAM" +
                             Le(static_cast<unsigned>(name.size()), 4) + name + "data" +
                             Le(static_cast<unsigned>(data.size()), 4) + data;
    std::ofstream(path, std::ios::binary)
        << "RIFF" << Le(static_cast<unsigned>(body.size()), 4) << body;
}

std::string Pattern(const std::string& name, const char* next, const std::string& file,
                    const std::string& type = "Zone") {
    std::string p = "{\"patternName\": \"" + name + "\", ";
    if (next != nullptr) {
        p += "\"nextPatternName\": \"" + std::string(next) + "\", ";
    }
    return p + "\"fileName\": \"" + file + "\", \"type\": \"" + type + "\"}";
}

void WriteDefinition(const std::vector<std::string>& patterns) {
    std::string text = "{\"patterns\": [";
    for (size_t i = 0; i < patterns.size(); ++i) {
        text += (i ? ", " : "") + patterns[i];
    }
    std::ofstream("music/music_def.json") << text << "]}";
}

// A and B, each resting on itself.
std::vector<std::string> RestingAB() {
    return {Pattern("A", "A", "music/a.wav"), Pattern("B", "B", "music/b.wav")};
}

// Four test patterns of distinct lengths and value ranges.
void WriteRamps() {
    WriteRamp("music/a.wav", FramesA, 0, 1, "A");
    WriteRamp("music/b.wav", FramesB, 0, -1, "B");
    WriteRamp("music/c.wav", FramesC, 20000, 1, "C");
    WriteRamp("music/f.wav", FramesF, -20000, -1, "F");
    WriteRamp("music/long.wav", 16 * 4096 + 2048, 0, 1, "A"); // 1.5 s
}

struct Frame {
    int positionMs; // as the frame found it, before the music step
    std::string title;
};

// The main loop's music step on its 60 ms clock, `count` frames; `before`
// runs at the start of each frame (requests, as the renderer makes them).
// With `spared`, each frame first sleeps through the frames the music spares,
// as a page left alone does, and `spared` counts them.
std::vector<Frame> RunFrames(int count, const std::function<void(int)>& before = nullptr,
                             int* spared = nullptr) {
    std::vector<Frame> frames;
    Uint32 next = SDL_GetTicks() + FrameMs;
    for (int i = 0; i < count; ++i) {
        if (spared != nullptr) {
            const int skip = MusicFramesToSpare();
            *spared += skip;
            next += static_cast<Uint32>(skip) * FrameMs;
            const Uint32 now = SDL_GetTicks();
            SDL_Delay(now < next ? next - now : 0);
        }
        if (before) {
            before(i);
        }
        const int position = static_cast<int>(Mix_GetMusicPosition(nullptr) * 1000.0);
        UpdateMusic();
        frames.push_back({position, Mix_GetMusicTitle(nullptr)});
        const Uint32 now = SDL_GetTicks();
        SDL_Delay(now < next ? next - now : 0);
        next += FrameMs;
    }
    return frames;
}

// What `run` throws as a runtime error, or "no throw".
std::string Thrown(const std::function<void()>& run) {
    try {
        run();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no throw";
}

const MusicPatternEntry* Find(const std::string& name) {
    for (auto& e : mMusicPatternEntries) {
        if (e->patternName == name) {
            return e.get();
        }
    }
    return nullptr;
}

int DurationMsOf(const std::string& name) {
    return static_cast<int>(Mix_MusicDuration(Find(name)->music) * 1000.0);
}

// The mixed stream's left channel as runs of consecutive ramp values: the
// segment each value belongs to (`classify` gives it and its frame, '-' for
// none) and the first and last frame heard in a row.
struct Heard {
    char segment;
    int first, last;
};

std::vector<Heard> ReadRuns(const fs::path& path,
                            const std::function<std::pair<char, int>(int)>& classify) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Heard> runs;
    int16_t lr[2];
    while (in.read(reinterpret_cast<char*>(lr), sizeof lr)) {
        const auto [p, frame] = classify(lr[0]);
        if (!runs.empty() && runs.back().segment == p &&
            (p == '-' || frame == runs.back().last + 1)) {
            runs.back().last = frame;
        } else {
            runs.push_back({p, frame, frame});
        }
    }
    return runs;
}

class MusicTest : public vlotest::ScratchEnv {
protected:
    void SetUp() override { Enter("dummy"); }

    void Enter(const char* driver) {
        ScratchEnv::SetUp();
        fs::remove(dir / "music"); // each test brings the music it plays
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", (dir / "mixed.raw").c_str(), 1);
        musicEnabled = true;
        musicVolume = MIX_MAX_VOLUME; // the mixed output then equals the file's samples
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO | SDL_INIT_TIMER), 0) << SDL_GetError();
    }

    void TearDown() override {
        CloseMusic();
        SDL_Quit();
        ScratchEnv::TearDown();
    }

    // Every start-up opens audio once more; close them all, as shutdown does.
    static void CloseMusic() {
        Mix_HaltMusic();
        FreeMusicPatterns();
        while (Mix_QuerySpec(nullptr, nullptr, nullptr) > 0) {
            Mix_CloseAudio();
        }
    }

    void UseGameMusic() {
        fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "music", dir / "music");
    }

    void UseRamps(const std::vector<std::string>& patterns) {
        fs::create_directory(dir / "music");
        WriteRamps();
        WriteDefinition(patterns);
    }

    // Start-up's music step with its standard error captured.
    bool Load(std::string& err) {
        testing::internal::CaptureStderr();
        const bool ok = LoadMusicPatterns();
        err = testing::internal::GetCapturedStderr();
        return ok;
    }

    // Start-up with the given patterns (or the game's own music, which must
    // load without a word), which must succeed; callers wrap it in
    // ASSERT_NO_FATAL_FAILURE.
    void Start(const std::vector<std::string>& patterns) {
        UseRamps(patterns);
        Started(false);
    }
    void StartGameMusic() {
        UseGameMusic();
        Started(true);
    }
    void Started(bool silent) {
        std::string err;
        ASSERT_TRUE(Load(err)) << err;
        EXPECT_TRUE(!silent || err.empty()) << err;
    }
};

// ---- the game's own music ------------------------------------------------------

TEST_F(MusicTest, StartUpLoadsEveryPatternOfTheGameAndFadesInTheFirst) {
    ASSERT_NO_FATAL_FAILURE(StartGameMusic());
    ASSERT_GE(mMusicPatternEntries.size(), 2u) << "a quiet and a guard-in-view pattern";
    EXPECT_EQ(mMusicPatternEntries[0]->type, Zone);
    EXPECT_EQ(mMusicPatternEntries[1]->type, Zone);
    int fills = 0;
    for (auto& e : mMusicPatternEntries) {
        EXPECT_NE(e->music, nullptr) << e->fileName;
        ASSERT_FALSE(e->nextPatternName.empty()) << e->patternName;
        const MusicPatternEntry* next = Find(e->nextPatternName);
        ASSERT_NE(next, nullptr) << e->patternName << " names a missing successor";
        if (e->type == Fill) {
            ++fills;
            EXPECT_EQ(next->type, Zone) << "a fill leads into a zone";
        }
    }
    EXPECT_GE(fills, 2) << "one fill into each zone";

    EXPECT_EQ(currentMusicPatternName, mMusicPatternEntries[0]->patternName);
    EXPECT_EQ(nextMusicPattern, nullptr);
    EXPECT_EQ(musicLoopEnd,
              static_cast<int>(Mix_MusicDuration(mMusicPatternEntries[0]->music) * 1000));
    EXPECT_TRUE(Mix_PlayingMusic());
    EXPECT_EQ(Mix_FadingMusic(), MIX_FADING_IN);
    EXPECT_EQ(std::string(Mix_GetMusicTitle(nullptr)), mMusicPatternEntries[0]->patternName);
}

// The game's Ogg files decoded: length, format and the silence at both ends
// that lets a segment follow any other without a click.
struct Decoded {
    int channels = 0;
    long rate = 0;
    std::vector<int16_t> samples; // interleaved
};

bool Decode(const std::string& path, Decoded& out) {
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) {
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    out.channels = info->channels;
    out.rate = info->rate;
    char buffer[8192];
    int section = 0;
    long got = 0;
    while ((got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        const auto* s = reinterpret_cast<const int16_t*>(buffer);
        out.samples.insert(out.samples.end(), s, s + got / 2);
    }
    ov_clear(&file);
    return got == 0;
}

TEST_F(MusicTest, GeneratedSegmentsEndOnAMixerChunkAndJoinWithoutAClick) {
    ASSERT_NO_FATAL_FAILURE(StartGameMusic());
    for (auto& e : mMusicPatternEntries) {
        Decoded d;
        ASSERT_TRUE(Decode(e->fileName, d)) << e->fileName;
        EXPECT_EQ(d.channels, 2) << e->fileName;
        EXPECT_EQ(d.rate, 44100) << e->fileName;
        const size_t frames = d.samples.size() / 2;
        EXPECT_EQ(frames % 2048, 0u) << e->fileName << ": the length the switch relies on";
        const double seconds = frames / 44100.0;
        EXPECT_GT(seconds, 1.0);
        EXPECT_LT(seconds, 4.5) << "a few seconds, so the music answers a guard quickly";
        EXPECT_NEAR(Mix_MusicDuration(e->music), seconds, 1e-3);
        EXPECT_EQ(std::string(Mix_GetMusicTitleTag(e->music)), e->patternName);
        // Lossy coding leaves a little noise around silence (a few hundred);
        // a click would be a step of thousands.
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_LE(std::abs(d.samples[i]), 1000) << e->fileName << " starts from silence";
            EXPECT_LE(std::abs(d.samples[d.samples.size() - 1 - i]), 1000)
                << e->fileName << " ends in silence";
        }
    }
}

// Each zone, from its entry in the list, is a chain of segments that comes
// back to its start after at least half a minute, every segment different
// music, no segment shared with the other zone, and a fill leading into it.
TEST_F(MusicTest, EachZoneRunsHalfAMinuteOfDifferentSegmentsBeforeItRepeats) {
    ASSERT_NO_FATAL_FAILURE(StartGameMusic());
    std::vector<const MusicPatternEntry*> seen;
    std::vector<std::vector<int16_t>> pcm;
    for (int zone = 0; zone < 2; ++zone) {
        const MusicPatternEntry* head = mMusicPatternEntries[zone].get();
        const MusicPatternEntry* at = head;
        double seconds = 0;
        int segments = 0;
        do {
            ASSERT_EQ(at->type, Zone)
                << at->patternName << " in the chain of " << head->patternName;
            ASSERT_EQ(std::find(seen.begin(), seen.end(), at), seen.end())
                << at->patternName << " comes twice before the chain returns";
            seen.push_back(at);
            seconds += Mix_MusicDuration(at->music);
            ++segments;
            Decoded d;
            ASSERT_TRUE(Decode(at->fileName, d)) << at->fileName;
            for (const auto& other : pcm) {
                EXPECT_NE(other, d.samples) << at->fileName << " repeats another segment";
            }
            pcm.push_back(std::move(d.samples));
            at = Find(at->nextPatternName);
            ASSERT_NE(at, nullptr) << seen.back()->patternName;
        } while (at != head);
        EXPECT_GE(seconds, 30.0) << head->patternName << " repeats after " << seconds << " s";
        EXPECT_GE(segments, 4) << head->patternName;
        bool fillInto = false;
        for (auto& e : mMusicPatternEntries) {
            fillInto = fillInto || (e->type == Fill && e->nextPatternName == head->patternName);
        }
        EXPECT_TRUE(fillInto) << "no fill leads into " << head->patternName;
    }
}

// ---- start-up -------------------------------------------------------------------

TEST_F(MusicTest, DisabledMusicIsQueuedAndMeasuredButNeverPlays) {
    musicEnabled = false;
    ASSERT_NO_FATAL_FAILURE(Start(RestingAB()));
    EXPECT_EQ(mMusicPatternEntries.size(), 2u);
    EXPECT_EQ(currentMusicPatternName, "A");
    EXPECT_EQ(musicLoopEnd, FramesA * 1000 / 44100);
    EXPECT_EQ(nextMusicPattern, nullptr);
    EXPECT_FALSE(Mix_PlayingMusic());

    SetNextMusicPattern("B");
    RunFrames(16); // more than two lengths of A
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ(nextMusicPattern, mMusicPatternEntries[1].get()) << "the queue is never taken";
}

TEST_F(MusicTest, StartUpFailuresReportTheirExactText) {
    std::string err;
    EXPECT_FALSE(Load(err)) << "no definition file";
    EXPECT_EQ(err, "Failed to load music definition file!\n");
    CloseMusic();

    UseRamps({RestingAB()[0], Pattern("B", "B", "music/b.wav", "zone")});
    EXPECT_FALSE(Load(err));
    EXPECT_EQ(err, "Given pattern type is unknown!\n");
    ASSERT_EQ(mMusicPatternEntries.size(), 1u) << "entries before the failure stay";
    EXPECT_EQ(mMusicPatternEntries[0]->patternName, "A");
    CloseMusic();

    std::ofstream("music/noise.wav") << "not a sound file";
    ASSERT_EQ(::mkfifo("music/pipe.wav", 0600), 0);
    fs::create_symlink("/dev/zero", "music/zeros.wav");
    const std::string load = "Failed to load music! SDL_mixer Error: ";
    const std::pair<const char*, std::string> files[] = {
        {"music/missing.wav", load + "music/missing.wav: file not found\n"},
        {"music/noise.wav", ""}, // the mixer's own reason
        {"music/pipe.wav", load + "music/pipe.wav: not a regular file\n"},
        {"music/zeros.wav", load + "music/zeros.wav: not a regular file\n"},
    };
    for (const auto& [file, said] : files) {
        WriteDefinition({Pattern("A", "A", file)});
        ::alarm(10); // a file that is waited on or read for ever fails here
        EXPECT_FALSE(Load(err)) << file;
        ::alarm(0);
        EXPECT_EQ(err, said.empty() ? load + SDL_GetError() + "\n" : said);
        EXPECT_GT(err.size(), load.size() + 1) << "the reason follows";
        EXPECT_TRUE(mMusicPatternEntries.empty());
        CloseMusic();
    }

    // The switch would ask for the successor by name in the middle of a game.
    WriteDefinition({Pattern("A", "B", "music/a.wav"), Pattern("B", "Nowhere", "music/b.wav")});
    EXPECT_FALSE(Load(err));
    EXPECT_EQ(err, "Music definition refused: pattern \"B\" names \"Nowhere\" as the next "
                   "pattern, and no pattern has that name\n");
}

// A pattern the mixer cannot start during a game (in the main menu's restart
// or at a boundary) mutes the music for the rest of the run with a one-line
// note, instead of ending the game; the player's setting stays on.
TEST_F(MusicTest, PatternThatCannotStartMutesTheMusicForTheRun) {
    struct Case {
        const char* where;
        size_t broken; // the entry the mixer is made to refuse
        void (*run)();
    };
    const Case cases[] = {
        {"restart", 0, [] { RestartFirstPattern(); }},
        {"switch", 1,
         [] {
             SetNextMusicPattern("B");
             RunFrames(12); // past A's end
         }},
    };
    for (const Case& c : cases) {
        ASSERT_NO_FATAL_FAILURE(Start(RestingAB()));
        // The mixer refuses to play a null music, whatever the sound device.
        MusicPatternEntry& broken = *mMusicPatternEntries[c.broken];
        Mix_Music* music = std::exchange(broken.music, nullptr);
        testing::internal::CaptureStderr();
        EXPECT_NO_THROW(c.run()) << c.where;
        const std::string err = testing::internal::GetCapturedStderr();
        broken.music = music;
        EXPECT_EQ(err.rfind("Failed to play music! SDL_mixer Error: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("(the music stays off until the game is started again)\n"),
                  std::string::npos)
            << err;
        EXPECT_FALSE(Mix_PlayingMusic()) << c.where;
        EXPECT_TRUE(musicEnabled) << c.where << ": the setting is the player's";

        RestartFirstPattern(); // the main menu, once back
        RunFrames(2);
        EXPECT_FALSE(Mix_PlayingMusic()) << c.where << ": muted for the rest of the run";
        CloseMusic();
    }
}

TEST_F(MusicTest, AudioDeviceThatCannotOpenFailsStartUp) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string err;
    EXPECT_FALSE(Load(err));
    EXPECT_EQ(err, std::string("SDL_mixer could not initialize! SDL_mixer Error: ") +
                       SDL_GetError() + "\n");
}

TEST_F(MusicTest, DocumentOfTheWrongShapeThrows) {
    fs::create_directory(dir / "music");
    std::ofstream("music/music_def.json") << "{\"pattern\": []}";
    EXPECT_EQ(Thrown([] { LoadMusicPatterns(); }), "Key was not found in object!");
}

TEST_F(MusicTest, EmptyListIsAGameWithoutMusic) {
    ASSERT_NO_FATAL_FAILURE(Start({}));
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ(WantedMusicPattern(false), nullptr);
    EXPECT_EQ(WantedMusicPattern(true), nullptr);
    RestartFirstPattern();
    RunFrames(2);
    EXPECT_FALSE(Mix_PlayingMusic());
    EXPECT_EQ(currentMusicPatternName, "");
}

TEST_F(MusicTest, WantedPatternFollowsTheGuardAndCopesWithOneEntry) {
    ASSERT_NO_FATAL_FAILURE(Start({Pattern("A", "A", "music/a.wav")}));
    EXPECT_EQ(WantedMusicPattern(false), mMusicPatternEntries[0].get());
    EXPECT_EQ(WantedMusicPattern(true), mMusicPatternEntries[0].get()) << "the only pattern";
    CloseMusic();

    ASSERT_NO_FATAL_FAILURE(Start(RestingAB()));
    EXPECT_EQ(WantedMusicPattern(false), mMusicPatternEntries[0].get());
    EXPECT_EQ(WantedMusicPattern(true), mMusicPatternEntries[1].get());
    EXPECT_EQ(GetMusicPatternTypeName(static_cast<MusicPatternType>(9)), "Unknown");
}

// ---- the queue and the switch ----------------------------------------------------

TEST_F(MusicTest, UnknownRequestThrowsAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(Start({Pattern("A", "A", "music/a.wav")}));
    EXPECT_EQ(Thrown([] { SetNextMusicPattern("Nowhere"); }),
              "Requested zone or fill could not be found: Nowhere");
    EXPECT_EQ(currentMusicPatternName, "A");
    EXPECT_EQ(nextMusicPatternName, "A");
    EXPECT_EQ(nextMusicPattern, nullptr);
}

TEST_F(MusicTest, PatternNamingItselfKeepsLooping) {
    ASSERT_NO_FATAL_FAILURE(Start(RestingAB()));
    const auto frames = RunFrames(25);
    int wraps = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        wraps += i > 0 && frames[i].positionMs < frames[i - 1].positionMs;
        EXPECT_EQ(frames[i].title, "A");
    }
    EXPECT_GE(wraps, 2) << "A ran through its end at least twice";
    EXPECT_EQ(currentMusicPatternName, "A");
}

// Also when the loop sleeps through the frames the music spares: they end
// before the boundary comes near.
class MusicSparingTest : public MusicTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MusicSparingTest, RequestStartsItsSuccessorOnTheFirstBoundary) {
    ASSERT_NO_FATAL_FAILURE(
        Start({Pattern("A", "A", "music/long.wav"), Pattern("B", "C", "music/b.wav"),
               Pattern("C", "C", "music/c.wav")}));
    RunFrames(2);
    SetNextMusicPattern("B");
    EXPECT_EQ(currentMusicPatternName, "B");
    int spared = 0;
    const auto frames = RunFrames(40, nullptr, GetParam() ? &spared : nullptr);
    if (GetParam()) {
        EXPECT_GT(spared, 0) << "a frame far from the boundary is spared";
    }
    size_t change = 0;
    while (change < frames.size() && frames[change].title == "A") {
        ++change;
    }
    ASSERT_LT(change, frames.size()) << "A never ended";
    ASSERT_GT(change, 0u);
    EXPECT_EQ(frames[change].title, "C") << "the requested pattern's successor, not B itself";
    EXPECT_GE(frames[change - 1].positionMs, DurationMsOf("A") - 160)
        << "the switch came in the first frame after A's end, not a loop later";
    EXPECT_EQ(musicLoopEnd, DurationMsOf("C"));
    for (size_t i = change; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].title, "C") << "C names itself and keeps looping";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFrameOrSparing, MusicSparingTest, ::testing::Bool());

TEST_F(MusicTest, RequestWithoutSuccessorStartsItself) {
    ASSERT_NO_FATAL_FAILURE(
        Start({Pattern("A", "A", "music/a.wav"), Pattern("D", nullptr, "music/c.wav")}));
    SetNextMusicPattern("D");
    EXPECT_EQ(nextMusicPatternName, "");
    const auto frames = RunFrames(24);
    EXPECT_EQ(frames.back().title, "C") << "D (playing c.wav) started and went on looping";
    EXPECT_EQ(currentMusicPatternName, "D");
    EXPECT_EQ(nextMusicPattern, nullptr);
}

TEST_F(MusicTest, FillBridgesFromARestingPatternToTheRequestedOne) {
    ASSERT_NO_FATAL_FAILURE(
        Start({Pattern("A", "A", "music/a.wav"), Pattern("B", "B", "music/b.wav"),
               Pattern("F", "B", "music/f.wav", "Fill")}));
    std::vector<std::string> current;
    const auto frames = RunFrames(30, [&](int i) {
        if (i == 1) {
            SetNextMusicPattern("B");
        }
        current.push_back(currentMusicPatternName);
    });
    std::vector<std::string> runs;
    for (const Frame& f : frames) {
        if (runs.empty() || runs.back() != f.title) {
            runs.push_back(f.title);
        }
    }
    EXPECT_EQ(runs, (std::vector<std::string>{"A", "F", "B"}));
    for (size_t i = 2; i < current.size(); ++i) {
        EXPECT_EQ(current[i], "B") << "the target stays current while the fill plays";
    }
}

// ---- what the mixer actually mixed ------------------------------------------------

class MusicOutputTest : public MusicTest {
protected:
    void SetUp() override { Enter("disk"); }
};

// The disk driver writes the mixed stream; the ramps tell pattern and frame.
TEST_F(MusicOutputTest, SwitchLandsOnTheBoundaryWithoutCuttingThePattern) {
    musicEnabled = false; // start without the fade-in, which would scale the ramps
    ASSERT_NO_FATAL_FAILURE(Start(RestingAB()));
    musicEnabled = true;
    RestartFirstPattern();
    RunFrames(24, [](int i) {
        if (i == 9) { // in A's second loop
            SetNextMusicPattern("B");
        }
    });
    Mix_HaltMusic();
    Mix_CloseAudio();

    const std::vector<Heard> runs = ReadRuns(dir / "mixed.raw", [](int v) {
        return std::make_pair(v > 0 ? 'A' : v < 0 ? 'B' : '-', v > 0 ? v : -v);
    });
    size_t firstB = 0;
    while (firstB < runs.size() && runs[firstB].segment != 'B') {
        ++firstB;
    }
    ASSERT_LT(firstB, runs.size()) << "B never played";
    ASSERT_GE(firstB, 2u) << "A played whole loops before B";
    EXPECT_EQ(runs[firstB].first, 1) << "B starts from its beginning";
    EXPECT_EQ(runs[firstB].last, FramesB) << "and plays through";
    // Before B: whole loops of A, then at most one mixer chunk (2048 frames,
    // 46 ms) of A's next loop, the frame the switch came after the boundary.
    size_t lastWhole = firstB - 1;
    const Heard& before = runs[lastWhole];
    ASSERT_EQ(before.segment, 'A') << "no silence between the patterns";
    if (before.last != FramesA) {
        EXPECT_EQ(before.first, 1);
        EXPECT_LE(before.last, 2048) << "B started " << before.last << " frames after the boundary";
        --lastWhole;
    }
    for (size_t i = 0; i < lastWhole; ++i) {
        if (runs[i].segment == 'A') {
            EXPECT_EQ(runs[i].first, 1);
            EXPECT_EQ(runs[i].last, FramesA) << "no loop of A was cut short";
        }
    }
    EXPECT_EQ(runs[lastWhole].segment, 'A');
    EXPECT_EQ(runs[lastWhole].last, FramesA) << "A's last loop ran to its end";
}

// Two zones as the game has them, small: A -> B -> C -> A, and X resting on
// itself with the fill F leading into it. The renderer's request is made
// every frame, first for the zone of A (already playing: nothing may change
// as the chain moves through B and C), then, while B plays, for X: B plays
// to its end, then F, then X. The mixed output tells which frames of which
// segment were heard, in order.
TEST_F(MusicOutputTest, ChainPlaysInOrderAndANewZoneEntersThroughItsFill) {
    fs::create_directory(dir / "music");
    // Ramps in separate value ranges, all longer than two of the mixer's
    // 4096-frame reads except X (which only loops on itself): the position
    // of one and a half reads can show the same value on both sides of a
    // wrap, and a wrap the main loop cannot see lets the segment play twice.
    WriteRamp("music/a.wav", FramesB, 0, 1, "A");       // 1 .. 14336
    WriteRamp("music/b.wav", FramesC, 15000, 1, "B");   // 15001 .. 25240
    WriteRamp("music/c.wav", FramesB, 0, -1, "C");      // -1 .. -14336
    WriteRamp("music/x.wav", FramesF, 26000, 1, "X");   // 26001 .. 32144
    WriteRamp("music/f.wav", FramesC, -15000, -1, "F"); // -15001 .. -25240
    WriteDefinition({Pattern("A", "B", "music/a.wav"), Pattern("X", "X", "music/x.wav"),
                     Pattern("B", "C", "music/b.wav"), Pattern("C", "A", "music/c.wav"),
                     Pattern("F", "X", "music/f.wav", "Fill")});
    musicEnabled = false; // no fade-in, which would scale the ramps
    std::string err;
    ASSERT_TRUE(Load(err)) << err;
    musicEnabled = true;
    RestartFirstPattern();

    bool guard = false;
    int requestFrame = -1;
    std::vector<std::string> queued;
    RunFrames(48, [&](int i) {
        // The renderer: the wanted zone, unless one of its segments is queued.
        if (!guard && i >= 20 && std::string(Mix_GetMusicTitle(nullptr)) == "B") {
            guard = true;
            requestFrame = i;
        }
        const MusicPatternEntry* wanted = WantedMusicPattern(guard);
        if (!MusicZoneQueued(wanted)) {
            SetNextMusicPattern(wanted->patternName);
        }
        queued.push_back(currentMusicPatternName);
    });
    Mix_HaltMusic();
    Mix_CloseAudio();
    ASSERT_GE(requestFrame, 0) << "B never played after the first frames";

    const std::vector<Heard> runs = ReadRuns(dir / "mixed.raw", [](int v) {
        // (segment, base, step, frames), as the ramps were written above
        const std::tuple<char, int, int, int> ramps[] = {{'A', 0, 1, FramesB},
                                                         {'B', 15000, 1, FramesC},
                                                         {'C', 0, -1, FramesB},
                                                         {'F', -15000, -1, FramesC},
                                                         {'X', 26000, 1, FramesF}};
        for (const auto& [p, base, step, frames] : ramps) {
            const int frame = (v - base) * step;
            if (frame >= 1 && frame <= frames) {
                return std::make_pair(p, frame);
            }
        }
        return std::make_pair('-', 0);
    });
    auto whole = [&](const Heard& r) {
        const int length = r.segment == 'A' || r.segment == 'C' ? FramesB
                           : r.segment == 'X'                   ? FramesF
                                                                : FramesC;
        return r.first == 1 && r.last == length;
    };
    // What was heard: whole segments, where a switch that came one mixer
    // chunk late may have let the first chunk of the same segment in again.
    std::string heard;
    for (size_t i = 0; i < runs.size(); ++i) {
        const Heard& r = runs[i];
        if (r.segment == '-') {
            // Before the first segment the device may have played silence.
            ASSERT_TRUE(heard.empty() || i + 1 == runs.size())
                << "silence between segments at run " << i;
            continue;
        }
        if (i + 1 == runs.size()) {
            break; // the last run, cut by the halt
        }
        if (!whole(r)) {
            ASSERT_TRUE(i > 0 && runs[i - 1].segment == r.segment && r.first == 1 && r.last <= 2048)
                << r.segment << " frames " << r.first << ".." << r.last << " at run " << i
                << ": a segment cut short or started late";
            continue;
        }
        heard += r.segment;
    }
    const size_t fill = heard.find('F');
    ASSERT_NE(fill, std::string::npos) << "heard " << heard;
    EXPECT_EQ(heard.substr(0, fill), std::string("ABCABCABCABCAB").substr(0, fill))
        << "the chain of A in order, untouched by the requests for its zone; heard " << heard;
    EXPECT_EQ(heard[fill - 1], 'B') << "the request came while B played; heard " << heard;
    EXPECT_EQ(heard.substr(fill), std::string("F") + std::string(heard.size() - fill - 1, 'X'))
        << "B's end, the fill, then X resting on itself; heard " << heard;
    EXPECT_GE(heard.size() - fill, 2u) << "heard " << heard;
    for (size_t i = static_cast<size_t>(requestFrame); i < queued.size(); ++i) {
        EXPECT_EQ(queued[i], "X") << "frame " << i << ": the zone asked for stays queued";
    }
}

} // namespace
