// Turns the result lines of a benchmark run into the tables of
// bench/README.md and the data of the scaling plot. Where a figure was
// measured several times (rounds), the median of the runs is taken.
//
//   bench_report RESULTS [--plot-data FILE]

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/benchutil.h"

namespace {

using Fields = std::map<std::string, std::string>;

struct Group {
    Fields text;                                     // the first run's values
    std::map<std::string, std::vector<double>> numbers;  // every run's numeric values
};

std::map<std::string, Group> groups;

std::string Key(const Fields& f) {
    auto get = [&](const char* k) {
        auto it = f.find(k);
        return it == f.end() ? std::string() : it->second;
    };
    return get("bench") + "/" + get("impl") + "/" + get("display") + "/" + get("mult") + "/" +
           get("audio");
}

void Read(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("result ", 0) != 0) continue;
        Fields f;
        std::istringstream words(line.substr(7));
        std::string word;
        while (words >> word) {
            const size_t eq = word.find('=');
            if (eq != std::string::npos) f[word.substr(0, eq)] = word.substr(eq + 1);
        }
        Group& g = groups[Key(f)];
        if (g.text.empty()) g.text = f;
        for (const auto& [k, v] : f) {
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            if (end && *end == 0 && !v.empty()) g.numbers[k].push_back(d);
        }
    }
}

const Group* Find(const std::string& bench, const std::string& impl, const std::string& display,
                  const std::string& mult = "", const std::string& audio = "") {
    auto it = groups.find(bench + "/" + impl + "/" + display + "/" + mult + "/" + audio);
    return it == groups.end() ? nullptr : &it->second;
}

std::optional<double> Num(const Group* g, const std::string& field) {
    if (!g) return std::nullopt;
    auto it = g->numbers.find(field);
    if (it == g->numbers.end() || it->second.empty()) return std::nullopt;
    return bench::Summarise(it->second).median;
}

std::string Text(const Group* g, const std::string& field) {
    if (!g) return "";
    auto it = g->text.find(field);
    if (it == g->text.end()) return "";
    std::string s = it->second;
    std::replace(s.begin(), s.end(), '_', ' ');
    return s;
}

std::string Fmt(std::optional<double> v, const char* format = "%.2f") {
    if (!v) return "–";
    char s[64];
    std::snprintf(s, sizeof s, format, *v);
    return s;
}

std::optional<double> Ratio(std::optional<double> a, std::optional<double> b) {
    if (!a || !b || *b == 0) return std::nullopt;
    return *a / *b;
}

const char* Holds(std::optional<bool> ok) {
    return !ok ? "not measured" : *ok ? "holds" : "**missed**";
}

const std::vector<std::string> kImpls = {"snowfall", "floor", "sdl_renderer", "sfml"};
const std::map<std::string, std::string> kImplNames = {{"snowfall", "snowfall (ours)"},
                                                       {"floor", "floor: static VBO, 1 call"},
                                                       {"sdl_renderer", "SDL2 renderer (opengl)"},
                                                       {"sfml", "SFML 2.5"}};
const std::vector<std::string> kDisplays = {"offscreen", "x11"};
const std::vector<std::string> kMults = {"1", "4", "16", "64"};

// The faster of the two peers' frame times.
std::optional<double> FasterPeer(const std::string& display, const std::string& mult) {
    std::optional<double> best;
    for (const char* peer : {"sdl_renderer", "sfml"}) {
        auto v = Num(Find("frame", peer, display, mult), "wall_median");
        if (v && (!best || *v < *best)) best = v;
    }
    return best;
}

void Machine() {
    const Group* m = Find("machine", "", "");
    std::string renderer, version;
    for (const std::string& d : kDisplays) {
        const Group* g = Find("frame", "snowfall", d, "1");
        if (g && renderer.empty()) {
            renderer = Text(g, "renderer");
            version = Text(g, "gl_version");
        }
    }
    std::printf("| machine | |\n|---|---|\n");
    std::printf("| CPU | %s |\n| cores (nproc) | %s |\n| memory | %s |\n", Text(m, "cpu").c_str(),
                Text(m, "nproc").c_str(), Text(m, "memory").c_str());
    std::printf("| GL renderer | %s |\n| GL version (Mesa) | %s |\n", renderer.c_str(), version.c_str());
    std::printf("| load average before the run | %s |\n| date | %s |\n| rounds | %s |\n\n",
                Text(m, "load").c_str(), Text(m, "date").c_str(), Text(m, "rounds").c_str());
}

void Frame() {
    for (const std::string& d : kDisplays) {
        const Group* ours = Find("frame", "snowfall", d, "1");
        if (!ours) continue;
        const auto floor = Num(Find("frame", "floor", d, "1"), "wall_median");
        std::printf("**%s**, 1× (%s flakes a frame):\n\n", d == "x11" ? "Under Xvfb (X11, GLX)" : "Offscreen (SDL offscreen, EGL)",
                    Fmt(Num(ours, "flakes"), "%.0f").c_str());
        std::printf("| renderer | frame ms (median) | frame ms (95th) | CPU ms before glFinish | draw calls | vertices | × floor | × ours |\n");
        std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
        const auto oursWall = Num(ours, "wall_median");
        for (const std::string& impl : kImpls) {
            const Group* g = Find("frame", impl, d, "1");
            if (!g) continue;
            const auto wall = Num(g, "wall_median");
            std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", kImplNames.at(impl).c_str(),
                        Fmt(wall).c_str(), Fmt(Num(g, "wall_p95")).c_str(),
                        Fmt(Num(g, "cpu_median"), "%.3f").c_str(),
                        Fmt(Num(g, "draw_calls"), "%.0f").c_str(),
                        Fmt(Num(g, "vertices"), "%.0f").c_str(), Fmt(Ratio(wall, floor)).c_str(),
                        Fmt(Ratio(wall, oursWall)).c_str());
        }
        std::printf("\n");
    }
    const Group* ours = Find("frame", "snowfall", "offscreen", "1");
    if (ours) {
        std::printf("Our CPU time per frame (offscreen, 1×, medians in ms): the scene alone with no "
                    "display (Obj, list, colour cycle, drawing-state calls) %s; the scene's frame "
                    "with geometry, batching and the flakes' draw call %s; Flip(0) (background "
                    "draw call, present, swap) %s; all before glFinish %s. The floor's CPU time "
                    "for its one call: %s.\n\n",
                    Fmt(Num(ours, "cpu_scene_only_median"), "%.3f").c_str(),
                    Fmt(Num(ours, "cpu_frame_median"), "%.3f").c_str(),
                    Fmt(Num(ours, "cpu_flip_median"), "%.3f").c_str(),
                    Fmt(Num(ours, "cpu_median"), "%.3f").c_str(),
                    Fmt(Num(Find("frame", "floor", "offscreen", "1"), "cpu_median"), "%.3f").c_str());
    }
}

void Scaling(const std::string& plotData) {
    std::ofstream plot;
    if (!plotData.empty()) plot.open(plotData);
    for (const std::string& d : kDisplays) {
        if (!Find("frame", "snowfall", d, "1")) continue;
        std::printf("**%s**:\n\n", d == "x11" ? "Under Xvfb" : "Offscreen");
        std::printf("| flakes | ours ms | floor ms | SDL ms | SFML ms | ours × floor | ours × faster peer | ours µs per flake | ours CPU ms | ours per-flake cost × 1× |\n");
        std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        std::optional<double> perFlake1;
        if (plot) plot << "# " << d << ": flakes snowfall floor sdl_renderer sfml (ms per frame)\n";
        for (const std::string& m : kMults) {
            const Group* ours = Find("frame", "snowfall", d, m);
            if (!ours) continue;
            const auto flakes = Num(ours, "flakes");
            const auto wall = Num(ours, "wall_median");
            const auto perFlake = flakes ? std::optional<double>(*wall * 1000 / *flakes) : std::nullopt;
            if (m == "1") perFlake1 = perFlake;
            auto ms = [&](const char* impl) { return Num(Find("frame", impl, d, m), "wall_median"); };
            std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                        Fmt(flakes, "%.0f").c_str(), Fmt(wall).c_str(), Fmt(ms("floor")).c_str(),
                        Fmt(ms("sdl_renderer")).c_str(), Fmt(ms("sfml")).c_str(),
                        Fmt(Ratio(wall, ms("floor"))).c_str(),
                        Fmt(Ratio(wall, FasterPeer(d, m))).c_str(), Fmt(perFlake, "%.3f").c_str(),
                        Fmt(Num(ours, "cpu_median"), "%.2f").c_str(),
                        Fmt(Ratio(perFlake, perFlake1)).c_str());
            if (plot) {
                plot << *flakes;
                for (const char* impl : {"snowfall", "floor", "sdl_renderer", "sfml"}) {
                    auto v = ms(impl);
                    plot << ' ';
                    if (v) plot << *v; else plot << "NaN";
                }
                plot << '\n';
            }
        }
        if (plot) plot << "\n\n";
        std::printf("\n");
    }
}

void Startup() {
    std::printf("| audio output | snowfall: start to first frame | floor: context + pictures + jingle | snowfall − floor | driver's first picture frame | snowfall − (floor + first frame) |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    for (const char* audio : {"default", "dummy"}) {
        const Group* g = Find("startup", "", "offscreen", "", audio);
        if (!g) continue;
        const auto total = Num(g, "snowfall_total"), floor = Num(g, "floor_total");
        const auto first = Num(g, "floor_first_frame");
        std::optional<double> diff, diffFirst;
        if (total && floor) diff = *total - *floor;
        if (diff && first) diffFirst = *diff - *first;
        std::printf("| %s | %s ms | %s ms | %s ms | %s ms | %s ms |\n",
                    std::string(audio) == "default" ? "the machine's own" : "SDL's dummy output (opens)",
                    Fmt(total, "%.0f").c_str(), Fmt(floor, "%.0f").c_str(), Fmt(diff, "%.0f").c_str(),
                    Fmt(first, "%.0f").c_str(), Fmt(diffFirst, "%.0f").c_str());
    }
    std::printf("\nThe parts (ms, medians):\n\n");
    std::printf("| audio output | snowfall: exec | InitFramework | Graphics | LoadImage ×2 | LoadSound | first frame | floor: exec | context | pictures | jingle | first picture frame |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const char* audio : {"default", "dummy"}) {
        const Group* g = Find("startup", "", "offscreen", "", audio);
        if (!g) continue;
        std::printf("| %s |", audio);
        for (const char* k : {"snowfall_exec", "snowfall_init", "snowfall_graphics", "snowfall_pictures",
                              "snowfall_jingle", "snowfall_first_frame", "floor_exec", "floor_context",
                              "floor_pictures", "floor_jingle", "floor_first_frame"})
            std::printf(" %s |", Fmt(Num(g, k), "%.0f").c_str());
        std::printf("\n");
    }
    std::printf("\n");
}

void Pacing() {
    const Group* g = Find("pacing", "", "offscreen");
    if (!g) return;
    std::printf("| frames | total ms | expected ms | total − expected | late frames | start error median | 99th percentile | worst | frames on time: 99th percentile | worst |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    const auto total = Num(g, "total_ms"), expected = Num(g, "expected_ms");
    std::printf("| %s | %s | %s | %s ms | %s | %s ms | %s ms | %s ms | %s ms | %s ms |\n\n",
                Fmt(Num(g, "frames"), "%.0f").c_str(), Fmt(total, "%.1f").c_str(),
                Fmt(expected, "%.0f").c_str(),
                Fmt(total && expected ? std::optional<double>(*total - *expected) : std::nullopt, "%.1f").c_str(),
                Fmt(Num(g, "late_frames"), "%.0f").c_str(), Fmt(Num(g, "error_median_ms"), "%.3f").c_str(),
                Fmt(Num(g, "error_p99_ms"), "%.3f").c_str(), Fmt(Num(g, "error_max_ms"), "%.3f").c_str(),
                Fmt(Num(g, "ontime_error_p99_ms"), "%.3f").c_str(),
                Fmt(Num(g, "ontime_error_max_ms"), "%.3f").c_str());
}

void Memory() {
    const Group* g = Find("memory", "", "offscreen");
    if (!g) return;
    std::printf("| snowfall peak RSS | decoded media | target (media + 40) | floor: bare GL context | floor: GL context that has drawn the picture | snowfall − floor with picture |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    const auto peak = Num(g, "snowfall_peak_mib"), floor = Num(g, "floor_picture_peak_mib");
    std::printf("| %s MiB | %s MiB | %s MiB | %s MiB | %s MiB | %s MiB |\n\n", Fmt(peak, "%.1f").c_str(),
                Fmt(Num(g, "media_decoded_mib"), "%.1f").c_str(),
                Fmt(Num(g, "target_mib"), "%.1f").c_str(),
                Fmt(Num(g, "floor_peak_mib"), "%.1f").c_str(), Fmt(floor, "%.1f").c_str(),
                Fmt(peak && floor ? std::optional<double>(*peak - *floor) : std::nullopt, "%.1f").c_str());
}

// The least and the median of a figure over the rounds.
std::string MinMedian(const Group* g, const std::string& field, const char* format) {
    if (!g) return "–";
    auto it = g->numbers.find(field);
    if (it == g->numbers.end() || it->second.empty()) return "–";
    const bench::Summary s = bench::Summarise(it->second);
    return Fmt(s.min, format) + " / " + Fmt(s.median, format);
}

// Ours against the floor drawn in turns in one process, and the cost of the
// copy that shows the target, each a median over the pairs of blocks.
void Paired() {
    std::printf("| display | flakes × | rounds | pairs of blocks a round | ours ÷ floor (min / median of rounds) | one more copy of the target, ms (min / median) | ours, frame ms |\n|---|---:|---:|---:|---:|---:|---:|\n");
    for (const std::string& d : kDisplays)
        for (const std::string& m : kMults) {
            const Group* g = Find("frame_paired", "", d, m);
            if (!g) continue;
            std::printf("| %s | %s | %zu | %s | %s | %s | %s |\n", d == "x11" ? "Xvfb" : "offscreen",
                        m.c_str(), g->numbers.at("blocks").size(), Fmt(Num(g, "blocks"), "%.0f").c_str(),
                        MinMedian(g, "over_floor_median", "%.2f").c_str(),
                        MinMedian(g, "copy_ms_median", "%.2f").c_str(),
                        Fmt(Num(Find("frame", "snowfall", d, m), "wall_median")).c_str());
        }
    std::printf("\n");
}

void Targets() {
    std::printf("| target | figure (offscreen; Xvfb in brackets) | |\n|---|---|---|\n");
    auto both = [](const std::function<std::optional<double>(const std::string&)>& f, const char* format) {
        std::string s = Fmt(f("offscreen"), format);
        if (auto x = f("x11")) s += " (" + Fmt(x, format) + ")";
        return s;
    };
    // Not measured in this run (scripts/bench --quick leaves out 64×): no verdict.
    auto ok = [](const std::function<std::optional<double>(const std::string&)>& f,
                 double limit) -> std::optional<bool> {
        std::optional<bool> all;
        for (const std::string& d : kDisplays) {
            auto v = f(d);
            if (!v) continue;
            if (*v > limit) return false;
            all = true;
        }
        return all;
    };
    auto cpu = [](const std::string& d) { return Num(Find("frame", "snowfall", d, "1"), "cpu_median"); };
    std::printf("| CPU per steady-state frame ≤ 0.15 ms | %s ms | %s |\n", both(cpu, "%.3f").c_str(), Holds(ok(cpu, 0.15)));
    for (const char* m : {"1", "64"}) {
        auto peer = [m](const std::string& d) {
            return Ratio(Num(Find("frame", "snowfall", d, m), "wall_median"), FasterPeer(d, m));
        };
        auto floor = [m](const std::string& d) {
            return Ratio(Num(Find("frame", "snowfall", d, m), "wall_median"),
                         Num(Find("frame", "floor", d, m), "wall_median"));
        };
        std::printf("| frame ≤ 0.5 × the faster peer's at %s× | %s × | %s |\n", m, both(peer, "%.2f").c_str(), Holds(ok(peer, 0.5)));
        std::printf("| frame ≤ 1.2 × the floor's at %s× | %s × | %s |\n", m, both(floor, "%.2f").c_str(), Holds(ok(floor, 1.2)));
    }
    auto paired = [](const std::string& d) { return Num(Find("frame_paired", "", d, "1"), "over_floor_median"); };
    std::printf("| frame ≤ 1.15 × the floor's at 1×, in turns in one process | %s × | %s |\n", both(paired, "%.2f").c_str(), Holds(ok(paired, 1.15)));
    auto peer = [](const std::string& d) {
        return Ratio(Num(Find("frame", "snowfall", d, "1"), "wall_median"), FasterPeer(d, "1"));
    };
    std::printf("| frame ≤ 0.75 × the faster peer's at 1× | %s × | %s |\n", both(peer, "%.2f").c_str(), Holds(ok(peer, 0.75)));
    auto flat = [](const std::string& d) -> std::optional<double> {
        const Group* a = Find("frame", "snowfall", d, "1");
        const Group* b = Find("frame", "snowfall", d, "64");
        auto pa = Ratio(Num(a, "wall_median"), Num(a, "flakes"));
        auto pb = Ratio(Num(b, "wall_median"), Num(b, "flakes"));
        return Ratio(pb, pa);
    };
    auto flatCpu = [](const std::string& d) -> std::optional<double> {
        const Group* a = Find("frame", "snowfall", d, "1");
        const Group* b = Find("frame", "snowfall", d, "64");
        return Ratio(Ratio(Num(b, "cpu_median"), Num(b, "flakes")),
                     Ratio(Num(a, "cpu_median"), Num(a, "flakes")));
    };
    auto flatScene = [](const std::string& d) -> std::optional<double> {
        const Group* a = Find("frame", "snowfall", d, "1");
        const Group* b = Find("frame", "snowfall", d, "64");
        return Ratio(Ratio(Num(b, "cpu_scene_only_median"), Num(b, "flakes")),
                     Ratio(Num(a, "cpu_scene_only_median"), Num(a, "flakes")));
    };
    std::printf("| cost per flake flat 1× → 64×: frame time | 64×'s per flake %s × 1×'s | %s |\n", both(flat, "%.2f").c_str(), Holds(ok(flat, 1.1)));
    std::printf("| the same: CPU time | %s × | %s |\n", both(flatCpu, "%.2f").c_str(), Holds(ok(flatCpu, 1.1)));
    std::printf("| the same: the scene's own CPU time (no display) | %s × | %s |\n", both(flatScene, "%.1f").c_str(), Holds(ok(flatScene, 1.1)));
    for (const char* audio : {"default", "dummy"}) {
        const Group* g = Find("startup", "", "offscreen", "", audio);
        if (!g) continue;
        const auto t = Num(g, "snowfall_total"), f = Num(g, "floor_total");
        if (!t || !f) continue;
        std::printf("| start-up ≤ floor + 100 ms (audio: %s) | %.0f ms against %.0f + 100 ms | %s |\n", audio, *t, *f, Holds(*t <= *f + 100));
        if (const auto first = Num(g, "floor_first_frame"))
            std::printf("| the same, the floor with the driver's first picture frame (audio: %s) | %.0f ms against %.0f + 100 ms | %s |\n", audio, *t, *f + *first, Holds(*t <= *f + *first + 100));
    }
    if (const Group* g = Find("pacing", "", "offscreen")) {
        const auto t = Num(g, "total_ms"), e = Num(g, "expected_ms"), p99 = Num(g, "error_p99_ms");
        if (t && e) std::printf("| 600 frames within 10,000 ± 2 ms | %.1f ms | %s |\n", *t, Holds(std::fabs(*t - *e) <= 2));
        if (p99) std::printf("| 99th-percentile start error ≤ 0.5 ms | %.3f ms | %s |\n", *p99, Holds(*p99 <= 0.5));
        if (const auto onTime = Num(g, "ontime_error_p99_ms"))
            std::printf("| the same, frames that were not late | %.3f ms | %s |\n", *onTime, Holds(*onTime <= 0.5));
    }
    if (const Group* g = Find("memory", "", "offscreen")) {
        const auto peak = Num(g, "snowfall_peak_mib"), target = Num(g, "target_mib");
        const auto media = Num(g, "media_decoded_mib"), floor = Num(g, "floor_picture_peak_mib");
        if (peak && target) std::printf("| peak RSS ≤ decoded media + 40 MiB | %.1f MiB against %.1f MiB | %s |\n", *peak, *target, Holds(*peak <= *target));
        if (peak && media && floor) std::printf("| the same above the floor (a GL context that has drawn the picture) | %.1f MiB against %.1f MiB | %s |\n", *peak - *floor, *media + 40, Holds(*peak - *floor <= *media + 40));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc < 2) throw std::runtime_error("usage: bench_report RESULTS [--plot-data FILE]");
        Read(argv[1]);
        const std::string plotData = bench::TextOption(argc, argv, "plot-data", "");
        std::printf("### Machine\n\n");
        Machine();
        std::printf("### Targets\n\n");
        Targets();
        std::printf("### Steady-state frame\n\n");
        Frame();
        std::printf("### Ours and the floor in turns, one process\n\n");
        Paired();
        std::printf("### Scaling\n\n");
        Scaling(plotData);
        std::printf("![ms per frame against flakes](scaling.png)\n\n");
        std::printf("### Start-up (offscreen)\n\n");
        Startup();
        std::printf("### Pacing (offscreen, software schedule)\n\n");
        Pacing();
        std::printf("### Memory (offscreen, after 2,000 frames)\n\n");
        Memory();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_report: %s\n", e.what());
        return 1;
    }
    return 0;
}
