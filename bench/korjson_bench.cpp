// The document library against nlohmann/json in the same run: parsing from
// memory (Tokenization + ParseJSONContents against json::parse) and indented
// writing to memory (ConvertJSONToString against dump(4)), on a saved-game
// shaped document (~300 KB) and a 2 MB document of mixed nesting, numbers and
// strings. Reports bytes per second and prints the korJSON / nlohmann time
// ratio of each pair. Goal: every ratio at or below 1.0.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "korJSON/korJSON.h"

#ifdef VLO_HAVE_NLOHMANN
#include <nlohmann/json.hpp>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using korJSON::korJSONData;
using Node = std::shared_ptr<korJSONData>;

Node Make(korJSON::korJSONValue value, korJSON::korJSONDataType kind) {
    return std::make_shared<korJSONData>(std::move(value), kind);
}

// A fixed pseudo-random sequence, so every run measures the same documents.
class Sequence {
public:
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint32_t state_ = 2463534242u;
};

// The saved game's shape: signature and counters, a 3200-tile map of
// three-member objects, ~150 entities of 10-20 members, the message log.
std::string SaveShapedText() {
    Sequence seq;
    korJSONData root(korJSON::Object);
    root.insert("Signature", Make(std::string("VLOSG"), korJSON::String));
    root.insert("Version", Make(std::string("0.3"), korJSON::String));
    root.insert("CurrentFloor", Make(7, korJSON::Int));
    root.insert("GameState", Make(0, korJSON::Int));
    auto map = std::make_shared<korJSONData>(korJSON::Array);
    for (int i = 0; i < 3200; ++i) {
        auto tile = std::make_shared<korJSONData>(korJSON::Object);
        const int wall = seq.Below(3) == 0 ? 1 : 0;
        tile->insert("b", Make(wall, korJSON::Int));
        tile->insert("bs", Make(wall, korJSON::Int));
        tile->insert("e", Make(seq.Below(2), korJSON::Int));
        map->push_back(tile);
    }
    root.insert("Map", map);
    static const char* const names[] = {
        "Guard",        "Elite Guard",      "First Aid Kit",    "Stun Grenade",
        "Pepper Spray", "Tranquilizer Gun", "Unconscious Guard"};
    auto entities = std::make_shared<korJSONData>(korJSON::Array);
    for (int i = 0; i < 150; ++i) {
        auto e = std::make_shared<korJSONData>(korJSON::Object);
        e->insert("Name", Make(std::string(names[seq.Below(7)]), korJSON::String));
        e->insert("X", Make(seq.Below(80), korJSON::Int));
        e->insert("Y", Make(seq.Below(40), korJSON::Int));
        e->insert("Appearance", Make(64 + seq.Below(40), korJSON::Int));
        e->insert("Color", Make(seq.Below(16), korJSON::Int));
        e->insert("Blocks", Make(seq.Below(2) == 0, korJSON::Bool));
        e->insert("Visible", Make(true, korJSON::Bool));
        e->insert("Fighter", Make(i % 2 == 0, korJSON::Bool));
        e->insert("AI", Make(std::string(i % 2 == 0 ? "BasicEnemy" : ""), korJSON::String));
        e->insert("Item", Make(i % 2 == 1, korJSON::Bool));
        if (i % 2 == 0) {
            e->insert("MaxHP", Make(10 + seq.Below(30), korJSON::Int));
            e->insert("HP", Make(seq.Below(30), korJSON::Int));
            e->insert("Defense", Make(seq.Below(5), korJSON::Int));
            e->insert("Power", Make(2 + seq.Below(6), korJSON::Int));
            e->insert("Level", Make(1 + seq.Below(5), korJSON::Int));
            e->insert("XP", Make(seq.Below(500), korJSON::Int));
            e->insert("DeathFunction", Make(0u, korJSON::UInt));
            e->insert("Confused", Make(seq.Below(4), korJSON::Int));
            e->insert("ConfusedTurns", Make(seq.Below(10), korJSON::Int));
            e->insert("Equippable", Make(false, korJSON::Bool));
        } else {
            e->insert("UseFunction", Make(static_cast<unsigned>(seq.Below(4)), korJSON::UInt));
            e->insert("Equippable", Make(true, korJSON::Bool));
            e->insert("Slot", Make(seq.Below(2), korJSON::Int));
        }
        entities->push_back(e);
    }
    root.insert("Entities", entities);
    auto log = std::make_shared<korJSONData>(korJSON::Array);
    for (int i = 0; i < 40; ++i) {
        auto line = std::make_shared<korJSONData>(korJSON::Object);
        line->insert("Text", Make("THE GUARD HITS YOU FOR " + std::to_string(i) + " HIT POINTS.",
                                  korJSON::String));
        line->insert("Color", Make(seq.Below(16), korJSON::Int));
        log->push_back(line);
    }
    root.insert("Messages", log);
    std::string text;
    korJSON::korJSONStream().ConvertJSONToString(root, text, true);
    return text;
}

// Mixed nesting, integers of every width, doubles and strings with escapes
// and non-ASCII characters, until the indented text reaches 2 MB.
std::string MixedText() {
    Sequence seq;
    static const char* const words[] = {
        "prison",           "floor",       "tab\there",   "quote\"d",
        "caf\xC3\xA9",      "\u20ac5",     "line\nbreak", "plain text of some length",
        "\xF0\x9F\x98\x80", "path/to/file"};
    const auto scalar = [&]() -> Node {
        switch (seq.Below(8)) {
        case 0: return Make(seq.Below(1000), korJSON::Int);
        case 1: return Make(-seq.Below(100000), korJSON::Int);
        case 2: return Make(static_cast<std::int64_t>(seq.Next()) * 100003, korJSON::LongLong);
        case 3: return Make(seq.Below(100000) / 7.0, korJSON::Double);
        case 4: return Make(seq.Below(2) == 0, korJSON::Bool);
        case 5: return std::make_shared<korJSONData>(korJSON::Null);
        default: return Make(std::string(words[seq.Below(10)]), korJSON::String);
        }
    };
    korJSONData root(korJSON::Object);
    int block = 0;
    std::string text;
    while (text.size() < 2 * 1024 * 1024) {
        // Each block: a small tree up to four levels deep.
        std::vector<std::pair<Node, int>> open;
        auto top = std::make_shared<korJSONData>(seq.Below(2) ? korJSON::Object : korJSON::Array);
        open.push_back({top, 0});
        int made = 0;
        while (!open.empty() && made < 200) {
            auto [node, depth] = open.back();
            if (seq.Below(6) == 0) {
                open.pop_back();
                continue;
            }
            Node child;
            if (depth < 4 && seq.Below(5) == 0) {
                child =
                    std::make_shared<korJSONData>(seq.Below(2) ? korJSON::Object : korJSON::Array);
                open.push_back({child, depth + 1});
            } else {
                child = scalar();
            }
            if (node->type == korJSON::Array) {
                node->push_back(child);
            } else {
                node->insert("k" + std::to_string(made) + words[seq.Below(3)], child);
            }
            ++made;
        }
        root.insert("block" + std::to_string(block++), top);
        if (block % 64 == 0) {
            text.clear();
            korJSON::korJSONStream().ConvertJSONToString(root, text, true);
        }
    }
    return text;
}

const std::string& SaveText() {
    static const std::string text = SaveShapedText();
    return text;
}

const std::string& MixedTextOnce() {
    static const std::string text = MixedText();
    return text;
}

const std::string& Document(int which) {
    return which == 0 ? SaveText() : MixedTextOnce();
}

void BM_Parse_korJSON(benchmark::State& state) {
    const std::string& text = Document(static_cast<int>(state.range(0)));
    korJSON::korJSONStream stream;
    for (auto _ : state) {
        korJSONData data;
        const bool ok = stream.Tokenization(text) && stream.ParseJSONContents(data);
        benchmark::DoNotOptimize(ok);
        if (!ok) {
            state.SkipWithError("korJSON refused the document");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["KB"] = static_cast<double>(text.size()) / 1024.0;
}

void BM_Write_korJSON(benchmark::State& state) {
    const std::string& text = Document(static_cast<int>(state.range(0)));
    korJSON::korJSONStream stream;
    korJSONData data;
    stream.Tokenization(text);
    stream.ParseJSONContents(data);
    std::size_t written = 0;
    for (auto _ : state) {
        std::string out;
        stream.ConvertJSONToString(data, out, true);
        written = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
    state.counters["KB"] = static_cast<double>(written) / 1024.0;
}

BENCHMARK(BM_Parse_korJSON)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write_korJSON)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

#ifdef VLO_HAVE_NLOHMANN
void BM_Parse_nlohmann(benchmark::State& state) {
    const std::string& text = Document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        nlohmann::json data = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(data.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["KB"] = static_cast<double>(text.size()) / 1024.0;
}

void BM_Write_nlohmann(benchmark::State& state) {
    const std::string& text = Document(static_cast<int>(state.range(0)));
    const nlohmann::json data = nlohmann::json::parse(text);
    std::size_t written = 0;
    for (auto _ : state) {
        std::string out = data.dump(4);
        written = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
    state.counters["KB"] = static_cast<double>(written) / 1024.0;
}

BENCHMARK(BM_Parse_nlohmann)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write_nlohmann)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

// Console output as usual, plus the time of every run kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // A plain run gives its time; with repetitions the median wins.
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                const std::string name = run.run_name.str();
                if (median || medians.count(name) == 0) {
                    times[name] = run.GetAdjustedRealTime();
                }
                if (median) {
                    medians.insert(name);
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::set<std::string> medians;
};

} // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // Each iteration builds and frees megabytes (the trees, the 2 MB texts).
    // With glibc's defaults those are mapped and unmapped, or trimmed from the
    // heap, again and again, and the kernel's page faults then make up half
    // the time of either library and swing with the heap's history. Keeping
    // freed memory in the heap measures the libraries' own work.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    static const char* const documents[] = {"saved game", "2 MB mixed"};
    for (const char* op : {"Parse", "Write"}) {
        for (int which = 0; which < 2; ++which) {
            const std::string arg = "/" + std::to_string(which);
            const auto ours = reporter.times.find(std::string("BM_") + op + "_korJSON" + arg);
            const auto theirs = reporter.times.find(std::string("BM_") + op + "_nlohmann" + arg);
            if (ours != reporter.times.end() && theirs != reporter.times.end() &&
                theirs->second > 0) {
                std::printf("ratio korJSON/nlohmann %s %s: %.2f\n", op, documents[which],
                            ours->second / theirs->second);
            }
        }
    }
    benchmark::Shutdown();
    return 0;
}
