// benchtable: turns the JSON reports of the benchmark programs into the one
// table scripts/bench prints (Markdown, ready for the README): the median of
// every benchmark, its goal and how it compares, and korJSON against
// nlohmann/json wherever both were measured on the same work.
// Reads the reports with the game's own document library; no game code.
//
// Usage: benchtable REPORT.json...
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "korJSON/korJSON.h"

namespace {

using korJSON::korJSONData;

struct Result {
    std::string name;  // run name, without the aggregate suffix
    std::string label; // what the benchmark says it measured
    double wallNs = 0; // median wall-clock time per iteration
    double cpuNs = 0;  // median CPU time of the process per iteration
    int repetitions = 1;
};

// A goal: a benchmark whose lower-case name contains `key` must take at most
// (or, with `strict`, less than) `limitNs`.
struct Goal {
    const char* key;
    double limitNs;
    bool strict;
    const char* text;
};

// clang-format off
const Goal Goals[] = {
    {"render",     1e6,  false, "<= 1 ms"},
    {"computefov", 30e3, false, "<= 30 us"},
    {"createmap",  1e6,  false, "<= 1 ms"},
    {"savegame",   5e6,  true,  "< 5 ms"},
    {"loadgame",   5e6,  true,  "< 5 ms"},
};
// clang-format on
constexpr double FrameNs = 60e6; // the game's frame period

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

double Number(const korJSONData& node) {
    if (node.type == korJSON::Double) {
        return std::get<double>(node.value);
    }
    return std::stod(node.toString());
}

double UnitNs(const std::string& unit) {
    if (unit == "us") {
        return 1e3;
    }
    if (unit == "ms") {
        return 1e6;
    }
    if (unit == "s") {
        return 1e9;
    }
    return 1;
}

// Medians where the report has them, the single run otherwise.
void Collect(const std::string& path, std::map<std::string, Result>& out) {
    korJSONData root;
    korJSON::korJSONStream stream;
    if (!stream.ParseFile(path, root, korJSON::JSON) || !root.contains("benchmarks")) {
        throw std::runtime_error("not a benchmark report: " + path);
    }
    const korJSONData& list = root["benchmarks"];
    for (unsigned i = 0; i < list.arraySize(); ++i) {
        const korJSONData& b = list[static_cast<int>(i)];
        if (b.contains("error_occurred") && b["error_occurred"].convertTo<bool>(false, false)) {
            std::cerr << "benchtable: " << b["name"].toString() << " failed in " << path << "\n";
            continue;
        }
        const std::string runType = b.contains("run_type") ? b["run_type"].toString() : "iteration";
        const bool median = runType == "aggregate" && b.contains("aggregate_name") &&
                            b["aggregate_name"].toString() == "median";
        if (!median && runType != "iteration") {
            continue;
        }
        Result r;
        r.name = b.contains("run_name") ? b["run_name"].toString() : b["name"].toString();
        if (median) {
            r.repetitions =
                b.contains("repetitions") ? b["repetitions"].convertTo<int>(false, 0) : 0;
        } else if (out.count(r.name) != 0) {
            continue; // a median (or an earlier single run) is already there
        }
        r.label = b.contains("label") ? b["label"].toString() : "";
        const std::string unit = b.contains("time_unit") ? b["time_unit"].toString() : "ns";
        r.wallNs = Number(b["real_time"]) * UnitNs(unit);
        r.cpuNs = Number(b["cpu_time"]) * UnitNs(unit);
        if (median || out.count(r.name) == 0) {
            out[r.name] = r;
        }
    }
}

std::string Duration(double ns) {
    std::ostringstream s;
    s << std::fixed;
    if (ns >= 1e6) {
        s << std::setprecision(ns >= 1e8 ? 0 : 3) << ns / 1e6 << " ms";
    } else if (ns >= 1e3) {
        s << std::setprecision(ns >= 1e5 ? 1 : 2) << ns / 1e3 << " us";
    } else {
        s << std::setprecision(1) << ns << " ns";
    }
    return s.str();
}

std::string Fixed(double v, int digits) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(digits) << v;
    return s.str();
}

std::string Shown(const Result& r) {
    std::string name = r.name.rfind("BM_", 0) == 0 ? r.name.substr(3) : r.name;
    const auto repeats = name.find("/repeats:");
    if (repeats != std::string::npos) {
        name.erase(repeats); // set in the benchmark itself, said in the heading
    }
    return r.label.empty() ? name : name + " (" + r.label + ")";
}

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            if (colon != std::string::npos) {
                return line.substr(line.find_first_not_of(' ', colon + 1));
            }
        }
    }
    return "unknown CPU";
}

struct Row {
    std::string what, wall, cpu, goal, ratio, met;
};

void Print(const std::vector<Row>& rows) {
    const Row head{"Measure", "Wall (median)", "CPU (median)", "Goal", "Ratio", "Met"};
    std::vector<std::size_t> w = {head.what.size(), head.wall.size(),  head.cpu.size(),
                                  head.goal.size(), head.ratio.size(), head.met.size()};
    for (const Row& r : rows) {
        const std::string* cells[] = {&r.what, &r.wall, &r.cpu, &r.goal, &r.ratio, &r.met};
        for (std::size_t i = 0; i < w.size(); ++i) {
            w[i] = std::max(w[i], cells[i]->size());
        }
    }
    // Columns 1, 2 and 4 hold numbers and are right-aligned.
    const bool right[] = {false, true, true, false, true, false};
    auto line = [&](const Row& r) {
        const std::string* cells[] = {&r.what, &r.wall, &r.cpu, &r.goal, &r.ratio, &r.met};
        std::cout << "|";
        for (std::size_t i = 0; i < w.size(); ++i) {
            std::cout << " " << (right[i] ? std::right : std::left)
                      << std::setw(static_cast<int>(w[i])) << *cells[i] << " |";
        }
        std::cout << "\n";
    };
    line(head);
    std::cout << "|";
    for (std::size_t i = 0; i < w.size(); ++i) {
        std::cout << std::string(w[i] + 1, '-') << (right[i] ? ":|" : "-|");
    }
    std::cout << "\n";
    for (const Row& r : rows) {
        line(r);
    }
}

// The first report's load average: the benchmarks' wall-clock figures are
// only as good as the machine was quiet.
std::string LoadAverage(const std::string& path) {
    korJSONData root;
    korJSON::korJSONStream stream;
    if (!stream.ParseFile(path, root, korJSON::JSON) || !root.contains("context") ||
        !root["context"].contains("load_avg") || root["context"]["load_avg"].arraySize() == 0) {
        return "unknown";
    }
    return Fixed(Number(root["context"]["load_avg"][0]), 2);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: benchtable REPORT.json...\n";
        return 2;
    }
    std::map<std::string, Result> results;
    try {
        for (int i = 1; i < argc; ++i) {
            Collect(argv[i], results);
        }
    } catch (const std::exception& e) {
        std::cerr << "benchtable: " << e.what() << "\n";
        return 1;
    }

    std::vector<Row> rows;
    std::vector<std::string> used;
    int missed = 0;
    int fewest = 0;
    int most = 0;
    for (const auto& [name, r] : results) {
        fewest = fewest == 0 ? r.repetitions : std::min(fewest, r.repetitions);
        most = std::max(most, r.repetitions);
    }
    // Goals first, in the order of the goal table. They are judged on CPU
    // time: on a shared machine the wall clock also counts the neighbours.
    for (const Goal& g : Goals) {
        for (const auto& [name, r] : results) {
            const std::string lower = Lower(name);
            if (lower.find(g.key) == std::string::npos ||
                lower.find("korjson") != std::string::npos ||
                lower.find("nlohmann") != std::string::npos) {
                continue;
            }
            const double ratio = r.cpuNs / g.limitNs;
            const bool met = g.strict ? r.cpuNs < g.limitNs : r.cpuNs <= g.limitNs;
            missed += met ? 0 : 1;
            rows.push_back({Shown(r), Duration(r.wallNs), Duration(r.cpuNs), g.text,
                            Fixed(ratio, 2), met ? "yes" : "NO"});
            if (std::string(g.key) == "render") {
                rows.push_back({"  share of the 60 ms frame",
                                Fixed(100 * r.wallNs / FrameNs, 2) + " %",
                                Fixed(100 * r.cpuNs / FrameNs, 2) + " %", "", "", ""});
            }
            used.push_back(name);
        }
    }
    // korJSON against nlohmann/json on the same work: the names differ only in
    // the library's name.
    for (const auto& [name, r] : results) {
        const std::string lower = Lower(name);
        const auto at = lower.find("korjson");
        if (at == std::string::npos) {
            continue;
        }
        const std::string twin = lower.substr(0, at) + "nlohmann" + lower.substr(at + 7);
        const auto other = std::find_if(results.begin(), results.end(), [&](const auto& entry) {
            return Lower(entry.first) == twin;
        });
        if (other == results.end()) {
            continue;
        }
        const Result& n = other->second;
        const double ratio = r.cpuNs / n.cpuNs;
        const bool met = ratio <= 1.0;
        missed += met ? 0 : 1;
        rows.push_back({Shown(r) + " / nlohmann", Duration(r.wallNs) + " / " + Duration(n.wallNs),
                        Duration(r.cpuNs) + " / " + Duration(n.cpuNs), "korJSON/nlohmann <= 1.0",
                        Fixed(ratio, 2), met ? "yes" : "NO"});
        used.push_back(name);
        used.push_back(other->first);
    }
    // Everything else that was measured, without a goal.
    for (const auto& [name, r] : results) {
        if (std::find(used.begin(), used.end(), name) == used.end()) {
            rows.push_back({Shown(r), Duration(r.wallNs), Duration(r.cpuNs), "", "", ""});
        }
    }

    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M %Z", std::localtime(&now));
    std::cout << "Benchmarks of " << date << " on " << CpuModel() << " ("
              << std::thread::hardware_concurrency() << " cores, load average "
              << LoadAverage(argv[1]) << "): medians of "
              << (fewest == most ? std::to_string(most)
                                 : std::to_string(fewest) + " to " + std::to_string(most))
              << " repetitions per operation. Goals are judged on CPU time; the ratio is CPU "
                 "time over the goal (or korJSON over nlohmann/json).\n\n";
    Print(rows);
    if (missed > 0) {
        std::cout << "\n" << missed << " goal(s) not met.\n";
    }
    return 0;
}
