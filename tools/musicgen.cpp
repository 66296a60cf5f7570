// musicgen: renders one score of the game's music (tools/scores/*.txt) into a
// 16-bit stereo 44.1 kHz WAV. A host tool run by the build; it depends on the
// C++ standard library only, never on the game or SDL.
//
//   musicgen <score.txt> <out.wav>
//
// Score format, one statement per line; a word starting with '#' starts a
// comment (so sharps like f#3 are notes):
//   title <name>                   stored in the WAV (the mixer reports it)
//   tempo <quarter notes per minute>
//   bars <count>                   4/4 bars in the pattern
//   grid <steps per bar>           e.g. 16 for sixteenth notes
//   voice <name> square|triangle|noise [vol=..] [duty=..] [pan=..]
//         [attack=ms] [decay=ms] [sustain=0..1] [release=ms] [vib=cents]
//   <name>: <token> <token> ...    appends notes to a voice (lines may repeat)
// A token is a note (c4, f#3, bb2), a rest (r) or, for noise voices, a drum
// (k kick, s snare, h hat, o open hat), each optionally followed by *n for a
// length of n steps (default 1). Every voice must fill the pattern exactly.
//
// The pattern loops inside the mixer, so it must join itself without a click:
// every sound fades in and out within its own steps, nothing rings past the
// end, and the square wave has its DC removed so note edges do not thump.
// Its length in frames is rounded (by less than 0.05 s) so that the game's
// mixer, which mixes 2048 frames at a time, has mixed the pattern's last
// frames exactly when its reported position reaches the end or wraps (see
// src/music.cpp), so pattern switches land on the boundary: a multiple of 2048
// for Ogg, which is decoded packet by packet as the mixer asks, and 2048 more
// than a multiple of 4096 for WAV, which the mixer reads in 4096-frame blocks.
//
// Ogg, because the music is half a minute per zone: as WAV it would be some
// 12 MB, as Ogg Vorbis about a tenth of that. The encoder is deterministic, so
// the same score always gives the same file.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr double Pi = 3.14159265358979323846;

enum class Wave { Square, Triangle, Noise };

struct Event {
    int step = 0;
    int length = 1;
    double freq = 0; // tonal voices; 0 for a rest
    char drum = 0;   // noise voices: 'k', 's', 'h', 'o'
};

struct Voice {
    std::string name;
    Wave wave = Wave::Square;
    double vol = 0.2;
    double duty = 0.5;
    double pan = 0.0;
    double attack = 3;   // ms
    double decay = 0;    // ms, 0 = none
    double sustain = 1;  // level reached after the decay
    double release = 12; // ms, taken from the end of every note
    double vib = 0;      // cents of vibrato after the first 150 ms
    std::vector<Event> events;
    int steps = 0; // filled so far
};

struct Score {
    std::string title;
    double tempo = 120;
    int bars = 1;
    int grid = 16;
    std::vector<Voice> voices;
};

[[noreturn]] void Die(const std::string& where, const std::string& what) {
    std::cerr << "musicgen: " << where << ": " << what << "\n";
    std::exit(1);
}

// Equal temperament, a4 = 440 Hz.
bool NoteFrequency(const std::string& t, double& freq) {
    static const int semis[7] = {9, 11, 0, 2, 4, 5, 7}; // a b c d e f g from c
    if (t.size() < 2 || t[0] < 'a' || t[0] > 'g') {
        return false;
    }
    int semi = semis[t[0] - 'a'];
    size_t i = 1;
    if (t[i] == '#') {
        ++semi;
        ++i;
    } else if (t[i] == 'b' && i + 1 < t.size()) {
        --semi;
        ++i;
    }
    if (i + 1 != t.size() || t[i] < '0' || t[i] > '8') {
        return false;
    }
    const int midi = (t[i] - '0' + 1) * 12 + semi;
    freq = 440.0 * std::pow(2.0, (midi - 69) / 12.0);
    return true;
}

void ParseVoiceOption(Voice& v, const std::string& opt, const std::string& where) {
    const size_t eq = opt.find('=');
    if (eq == std::string::npos) {
        Die(where, "voice option without '=': " + opt);
    }
    const std::string key = opt.substr(0, eq);
    double value = 0;
    try {
        value = std::stod(opt.substr(eq + 1));
    } catch (const std::exception&) {
        Die(where, "not a number: " + opt);
    }
    std::map<std::string, double*> fields = {{"vol", &v.vol},         {"duty", &v.duty},
                                             {"pan", &v.pan},         {"attack", &v.attack},
                                             {"decay", &v.decay},     {"sustain", &v.sustain},
                                             {"release", &v.release}, {"vib", &v.vib}};
    auto it = fields.find(key);
    if (it == fields.end()) {
        Die(where, "unknown voice option: " + key);
    }
    *it->second = value;
}

void ParseTokens(Voice& v, std::istringstream& in, const std::string& where) {
    std::string tok;
    while (in >> tok) {
        Event e;
        e.step = v.steps;
        const size_t star = tok.find('*');
        std::string head = tok.substr(0, star);
        if (star != std::string::npos) {
            try {
                e.length = std::stoi(tok.substr(star + 1));
            } catch (const std::exception&) {
                Die(where, "bad length in " + tok);
            }
            if (e.length < 1) {
                Die(where, "bad length in " + tok);
            }
        }
        if (head != "r") {
            if (v.wave == Wave::Noise) {
                if (head.size() != 1 || std::string("ksho").find(head[0]) == std::string::npos) {
                    Die(where, "unknown drum " + head);
                }
                e.drum = head[0];
            } else if (!NoteFrequency(head, e.freq)) {
                Die(where, "unknown note " + head);
            }
        }
        v.steps += e.length;
        v.events.push_back(e);
    }
}

Score ParseScore(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        Die(path, "cannot open");
    }
    Score s;
    std::string line;
    int lineNo = 0;
    while (std::getline(file, line)) {
        ++lineNo;
        const std::string where = path + ":" + std::to_string(lineNo);
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '#' &&
                (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
                line.resize(i);
                break;
            }
        }
        std::istringstream in(line);
        std::string word;
        if (!(in >> word)) {
            continue;
        }
        if (word == "title") {
            std::getline(in >> std::ws, s.title);
        } else if (word == "tempo") {
            in >> s.tempo;
        } else if (word == "bars") {
            in >> s.bars;
        } else if (word == "grid") {
            in >> s.grid;
        } else if (word == "voice") {
            Voice v;
            std::string kind;
            in >> v.name >> kind;
            if (kind == "square") {
                v.wave = Wave::Square;
            } else if (kind == "triangle") {
                v.wave = Wave::Triangle;
            } else if (kind == "noise") {
                v.wave = Wave::Noise;
            } else {
                Die(where, "unknown voice kind " + kind);
            }
            std::string opt;
            while (in >> opt) {
                ParseVoiceOption(v, opt, where);
            }
            s.voices.push_back(v);
        } else if (word.back() == ':') {
            const std::string name = word.substr(0, word.size() - 1);
            auto it = std::find_if(s.voices.begin(), s.voices.end(),
                                   [&](const Voice& v) { return v.name == name; });
            if (it == s.voices.end()) {
                Die(where, "notes for undeclared voice " + name);
            }
            ParseTokens(*it, in, where);
        } else {
            Die(where, "unknown statement " + word);
        }
        if (in.fail() && !in.eof()) {
            Die(where, "malformed line");
        }
    }
    if (s.tempo <= 0 || s.bars < 1 || s.grid < 1 || s.voices.empty()) {
        Die(path, "needs a positive tempo, bars, grid and at least one voice");
    }
    for (const Voice& v : s.voices) {
        if (v.steps != s.bars * s.grid) {
            Die(path, "voice " + v.name + " has " + std::to_string(v.steps) +
                          " steps, the pattern has " + std::to_string(s.bars * s.grid));
        }
    }
    return s;
}

// Gain of a note's envelope at `t` seconds into a note of `len` seconds:
// linear attack, exponential-ish decay to the sustain level, and a linear
// release that reaches zero exactly at the note's end.
double Envelope(const Voice& v, double t, double len) {
    const double a = v.attack / 1000.0;
    const double r = std::min(v.release / 1000.0, len / 2);
    double g = 1.0;
    if (v.decay > 0) {
        g = v.sustain + (1.0 - v.sustain) * std::exp(-t / (v.decay / 1000.0));
    }
    if (t < a) {
        g *= t / a;
    }
    if (t > len - r) {
        g *= std::max(0.0, (len - t) / r);
    }
    return g;
}

// Correction that removes the step of a naive square at a discontinuity
// (polynomial band-limited step), so high notes do not alias into hiss.
double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

void RenderTone(const Voice& v, const Event& e, long from, long to, std::vector<double>& out) {
    const double len = double(to - from) / Rate;
    double phase = 0;
    for (long i = from; i < to; ++i) {
        const double t = double(i - from) / Rate;
        double f = e.freq;
        if (v.vib > 0 && t > 0.15) {
            f *= std::pow(2.0, v.vib / 1200.0 * std::sin(2 * Pi * 5.5 * t));
        }
        const double dt = f / Rate;
        double s = 0;
        if (v.wave == Wave::Square) {
            // Pulse of width `duty`, made of two band-limited steps, minus
            // its mean so it sits around zero.
            s = (phase < v.duty ? 1.0 : -1.0) + PolyBlep(phase, dt);
            double down = phase - v.duty;
            if (down < 0) {
                down += 1.0;
            }
            s -= PolyBlep(down, dt);
            s -= 2.0 * v.duty - 1.0;
        } else {
            s = phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
        }
        out[i] += s * Envelope(v, t, len);
        phase += dt;
        if (phase >= 1.0) {
            phase -= 1.0;
        }
    }
}

// The noise voice: a 15-bit shift register clocked at a drum-specific rate
// (the classic console noise channel), shaped per drum; the kick adds a
// falling triangle thump.
void RenderDrum(const Event& e, long from, long to, std::vector<double>& out, unsigned& lfsr) {
    double clock = 0, decay = 0.1, level = 1.0;
    switch (e.drum) {
    case 'k': clock = 2000, decay = 0.05, level = 0.5; break;
    case 's': clock = 14000, decay = 0.09; break;
    case 'h': clock = 44100, decay = 0.025, level = 0.55; break;
    default: clock = 44100, decay = 0.12, level = 0.45; break; // open hat
    }
    const double len = double(to - from) / Rate;
    const double fade = std::min(0.008, len / 2);
    double acc = 0, prev = 0, phase = 0;
    double noise = 1.0;
    for (long i = from; i < to; ++i) {
        const double t = double(i - from) / Rate;
        acc += clock / Rate;
        while (acc >= 1.0) {
            acc -= 1.0;
            const unsigned bit = (lfsr ^ (lfsr >> 1)) & 1;
            lfsr = (lfsr >> 1) | (bit << 14);
            noise = (lfsr & 1) ? 1.0 : -1.0;
        }
        double s = noise;
        if (e.drum == 'h' || e.drum == 'o') {
            s = noise - prev; // a first difference: keep only the top of the hiss
            prev = noise;
        }
        s *= level * std::exp(-t / decay);
        if (e.drum == 'k' || e.drum == 's') {
            const double f = e.drum == 'k' ? 45.0 + 110.0 * std::exp(-t / 0.03) : 190.0;
            phase += f / Rate;
            phase -= std::floor(phase);
            const double tri = phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
            s += tri * (e.drum == 'k' ? 1.0 : 0.35) * std::exp(-t / (e.drum == 'k' ? 0.16 : 0.05));
        }
        double g = std::min(1.0, t / 0.0015);
        if (t > len - fade) {
            g *= std::max(0.0, (len - t) / fade);
        }
        out[i] += s * g;
    }
}

// Frames of the pattern: its length at the score's tempo, moved to the
// nearest count the mixer ends cleanly on (see the top of the file).
long PatternFrames(const Score& s, bool ogg) {
    const double quarters = s.bars * 4.0;
    const double nominal = quarters * 60.0 / s.tempo * Rate;
    if (ogg) {
        return std::max(1L, std::lround(nominal / 2048.0)) * 2048;
    }
    const long blocks = std::lround((nominal - 2048.0) / 4096.0);
    return std::max(0L, blocks) * 4096 + 2048;
}

// Variable bit rate at quality 0.4 (about 128 kbit/s): the square waves'
// edges stay clean; lower settings smear the hats.
void WriteOgg(const std::string& path, const std::string& title, const std::vector<double>& left,
              const std::vector<double>& right) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, Rate, 0.4f) != 0) {
        Die(path, "the Vorbis encoder refused 44.1 kHz stereo");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", title.c_str()); // the mixer reports it
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x564C4F); // a fixed serial keeps builds reproducible

    std::string file;
    ogg_page page;
    auto append = [&](const ogg_page& p) {
        file.append(reinterpret_cast<const char*>(p.header), static_cast<size_t>(p.header_len));
        file.append(reinterpret_cast<const char*>(p.body), static_cast<size_t>(p.body_len));
    };
    ogg_packet head, headComment, headCode;
    vorbis_analysis_headerout(&dsp, &comment, &head, &headComment, &headCode);
    ogg_stream_packetin(&stream, &head);
    ogg_stream_packetin(&stream, &headComment);
    ogg_stream_packetin(&stream, &headCode);
    while (ogg_stream_flush(&stream, &page) != 0) {
        append(page); // the audio starts on a page of its own
    }
    auto drain = [&]() {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    append(page);
                }
            }
        }
    };
    constexpr size_t Slice = 1024;
    for (size_t at = 0; at < left.size(); at += Slice) {
        const size_t n = std::min(Slice, left.size() - at);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
        for (size_t i = 0; i < n; ++i) {
            buffer[0][i] = static_cast<float>(std::clamp(left[at + i], -1.0, 1.0));
            buffer[1][i] = static_cast<float>(std::clamp(right[at + i], -1.0, 1.0));
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0); // end of stream: the last granule marks the exact length
    drain();
    while (ogg_stream_flush(&stream, &page) != 0) {
        append(page);
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);

    std::ofstream out(path, std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) {
        Die(path, "cannot write");
    }
}

void Put16(std::string& b, unsigned x) {
    b += char(x & 0xFF);
    b += char((x >> 8) & 0xFF);
}
void Put32(std::string& b, unsigned long x) {
    Put16(b, x & 0xFFFF);
    Put16(b, (x >> 16) & 0xFFFF);
}

void WriteWav(const std::string& path, const std::string& title, const std::vector<double>& left,
              const std::vector<double>& right) {
    std::string data;
    data.reserve(left.size() * 4);
    for (size_t i = 0; i < left.size(); ++i) {
        for (double x : {left[i], right[i]}) {
            const long v = std::lround(std::clamp(x, -1.0, 1.0) * 32767.0);
            Put16(data, static_cast<unsigned>(v) & 0xFFFF);
        }
    }
    std::string name = title + '\0';
    if (name.size() % 2) {
        name += '\0';
    }
    std::string info = "INFO";
    info += "INAM";
    Put32(info, name.size());
    info += name;
    std::string body = "WAVE";
    body += "fmt ";
    Put32(body, 16);
    Put16(body, 1); // PCM
    Put16(body, 2); // stereo
    Put32(body, Rate);
    Put32(body, Rate * 4);
    Put16(body, 4);
    Put16(body, 16);
    body += "LIST";
    Put32(body, info.size());
    body += info;
    body += "data";
    Put32(body, data.size());
    body += data;
    std::string file = "RIFF";
    Put32(file, body.size());
    file += body;
    std::ofstream out(path, std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) {
        Die(path, "cannot write");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: musicgen <score.txt> <out.ogg|out.wav>\n";
        return 2;
    }
    const std::string outPath = argv[2];
    const bool ogg = outPath.size() > 4 && outPath.compare(outPath.size() - 4, 4, ".ogg") == 0;
    const Score s = ParseScore(argv[1]);
    const long frames = PatternFrames(s, ogg);
    const int steps = s.bars * s.grid;
    auto stepFrame = [&](int step) { return std::lround(double(step) * frames / steps); };

    std::vector<double> left(frames, 0.0), right(frames, 0.0);
    unsigned lfsr = 0x7FFF;
    for (const Voice& v : s.voices) {
        std::vector<double> mono(frames, 0.0);
        for (const Event& e : v.events) {
            const long from = stepFrame(e.step);
            const long to = stepFrame(e.step + e.length);
            if (e.drum != 0) {
                RenderDrum(e, from, to, mono, lfsr);
            } else if (e.freq > 0) {
                RenderTone(v, e, from, to, mono);
            }
        }
        // Constant-power pan.
        const double angle = (std::clamp(v.pan, -1.0, 1.0) + 1.0) * Pi / 4;
        const double gl = std::cos(angle) * std::sqrt(2.0) * v.vol;
        const double gr = std::sin(angle) * std::sqrt(2.0) * v.vol;
        for (long i = 0; i < frames; ++i) {
            left[i] += mono[i] * gl;
            right[i] += mono[i] * gr;
        }
    }
    double peak = 0;
    for (long i = 0; i < frames; ++i) {
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    if (peak > 0.98) {
        Die(argv[1], "mix peaks at " + std::to_string(peak) + ", lower the voice volumes");
    }
    if (ogg) {
        WriteOgg(outPath, s.title, left, right);
    } else {
        WriteWav(outPath, s.title, left, right);
    }
    return 0;
}
