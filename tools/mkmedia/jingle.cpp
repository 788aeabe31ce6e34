// The jingle: "Jingle Bells" (James Lord Pierpont, 1857, public domain),
// verse and chorus in G major, arranged for bells: a celesta-like bell on
// the tune, a glockenspiel doubling it in the chorus, music-box chords, a
// soft bass and sleigh bells, in a small room. A slowing tag and a last
// chord that rings out and fades close it.
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/mkmedia/mkmedia.h"
#include "tools/mkmedia/rng.h"

namespace mkmedia {
namespace {

constexpr double Rate = JingleRate;

// ---------------------------------------------------------------- tempo

// Bars of four beats: intro 0-3, verse 4-19, chorus 20-35, tag 36, and the
// last chord from beat 148. The tag slows from 126 to 90 beats a minute.
constexpr double Tempo = 126.0;
constexpr double SlowTempo = 90.0;
constexpr double VerseBeat = 16.0;
constexpr double ChorusBeat = 80.0;
constexpr double TagBeat = 144.0;
constexpr double FinalBeat = 148.0;

double BeatTime(double beat) {
    constexpr double lead = 0.35;  // a breath of silence before the first shake
    if (beat <= TagBeat) return lead + beat * 60.0 / Tempo;
    // The tempo falls linearly over the tag; the time is its integral.
    constexpr double fall = (Tempo - SlowTempo) / (FinalBeat - TagBeat);
    double x = std::min(beat, FinalBeat) - TagBeat;
    double t = lead + TagBeat * 60.0 / Tempo + 60.0 / fall * std::log(Tempo / (Tempo - fall * x));
    return t + std::max(beat - FinalBeat, 0.0) * 60.0 / SlowTempo;
}

// ---------------------------------------------------------------- notation

double Frequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// "C" ... "B" with an optional "#" or "b": the pitch class, 0 for C.
int PitchClass(std::string_view& token) {
    static constexpr int steps[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (token.empty() || token[0] < 'A' || token[0] > 'G') throw std::logic_error("bad note name");
    int pc = steps[token[0] - 'A'];
    token.remove_prefix(1);
    if (!token.empty() && token[0] == '#') pc += 1, token.remove_prefix(1);
    if (!token.empty() && token[0] == 'b') pc += 11, token.remove_prefix(1);
    return pc % 12;
}

struct Note {
    double beat, length;
    int pitch;  // MIDI note number
};

// A tune written as "D4 B4 A4 G4 | D4:3 D4:.5 D4:.5 | ...": note name and
// octave, length in beats after ":" (one beat if none), "r" for a rest,
// "|" between bars of four beats.
std::vector<Note> ParseTune(std::string_view text, double beat) {
    std::vector<Note> notes;
    double barStart = beat;
    while (!text.empty()) {
        size_t end = text.find(' ');
        std::string_view token = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (token.empty()) continue;
        if (token == "|") {
            if (beat - barStart != 4.0) throw std::logic_error("a bar of the tune is not four beats");
            barStart = beat;
            continue;
        }
        size_t colon = token.find(':');
        double length = colon == std::string_view::npos ? 1.0 : std::stod(std::string(token.substr(colon + 1)));
        token = token.substr(0, colon);
        if (token != "r") {
            int pc = PitchClass(token);
            if (token.size() != 1) throw std::logic_error("bad octave");
            notes.push_back({beat, length, 12 * (token[0] - '0' + 1) + pc});
        }
        beat += length;
    }
    return notes;
}

struct Chord {
    double beat;
    int root;  // pitch class
    std::vector<int> intervals;
};

// One chord a bar: "G", "Am", "D7", "A7" ...
std::vector<Chord> ParseChords(std::string_view text, double beat) {
    std::vector<Chord> chords;
    while (!text.empty()) {
        size_t end = text.find(' ');
        std::string_view token = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (token.empty() || token == "|") continue;
        Chord chord{beat, PitchClass(token), {0, 4, 7}};
        if (!token.empty() && token[0] == 'm') chord.intervals[1] = 3, token.remove_prefix(1);
        if (!token.empty() && token[0] == '7') chord.intervals.push_back(10), token.remove_prefix(1);
        if (!token.empty()) throw std::logic_error("bad chord");
        chords.push_back(chord);
        beat += 4.0;
    }
    return chords;
}

// The pitch of chord tone `index` (0 root, 1 third, ... wrapping upwards
// into the next octaves), with the root in the octave starting at `floor`.
int ChordTone(const Chord& chord, int index, int floor) {
    int root = floor + (chord.root - floor % 12 + 12) % 12;
    int n = static_cast<int>(chord.intervals.size());
    return root + 12 * (index / n) + chord.intervals[index % n];
}

// ---------------------------------------------------------------- the tune

const char* const Verse =
    "D4 B4 A4 G4 | D4:3 D4:.5 D4:.5 | D4 B4 A4 G4 | E4:4 | "
    "E4 C5 B4 A4 | F#4:4 | D5 D5 C5 A4 | B4:4 | "
    "D4 B4 A4 G4 | D4:3 D4:.5 D4:.5 | D4 B4 A4 G4 | E4:3 E4 | "
    "E4 C5 B4 A4 | D5 D5 D5 D5 | E5 D5 C5 A4 | G4:2 r:2 |";
const char* const VerseChords = "G G G C | C D D7 G | G G G C | C D D7 G";

const char* const Chorus =
    "B4 B4 B4:2 | B4 B4 B4:2 | B4 D5 G4:1.5 A4:.5 | B4:4 | "
    "C5 C5 C5:1.5 C5:.5 | C5 B4 B4 B4:.5 B4:.5 | B4 A4 A4 B4 | A4:2 D5:2 | "
    "B4 B4 B4:2 | B4 B4 B4:2 | B4 D5 G4:1.5 A4:.5 | B4:4 | "
    "C5 C5 C5:1.5 C5:.5 | C5 B4 B4 B4:.5 B4:.5 | D5 D5 C5 A4 | G4:4 |";
const char* const ChorusChords = "G G G G | C G A7 D7 | G G G G | C G D7 G";

// The intro's last two bars tease the chorus on the glockenspiel.
const char* const IntroTeaser = "r:4 | r:4 | B5 B5 B5:2 | B5 B5 B5:2 |";
const char* const IntroChords = "G G G D7";

const char* const Tag = "D5 D5 C5 A4 |";
const char* const TagChords = "D7";

// ---------------------------------------------------------------- instruments

// One partial of a struck voice: frequency ratio, gain and decay time.
struct Partial {
    double ratio, gain, decay;
};

// A celesta-like bell: warm, with a faint beating from a slightly detuned
// double of the fundamental and a metallic glint at the strike.
constexpr Partial Bell[] = {{1.0, 1.0, 1.6},    {1.0016, 0.2, 1.6}, {2.0, 0.42, 0.8},
                            {3.0, 0.16, 0.40}, {4.07, 0.07, 0.22},  {5.43, 0.05, 0.10}};
// A glockenspiel bar: the inharmonic partials of a free bar, ringing on.
constexpr Partial Glockenspiel[] = {{1.0, 1.0, 1.2}, {2.76, 0.30, 0.32}, {5.40, 0.12, 0.10}, {8.93, 0.05, 0.05}};
// A music box tine.
constexpr Partial MusicBox[] = {{1.0, 1.0, 0.6}, {2.0, 0.35, 0.30}, {3.0, 0.12, 0.18}, {4.0, 0.06, 0.10}};
// A soft, round bass.
constexpr Partial Bass[] = {{1.0, 1.0, 1.1}, {2.0, 0.28, 0.5}, {3.0, 0.08, 0.3}};
// A small sleigh bell: a thin shell with partials close together.
constexpr Partial Jingle[] = {{1.0, 1.0, 0.07}, {1.47, 0.6, 0.05}, {2.09, 0.35, 0.035}, {2.56, 0.2, 0.03}};

class Mix {
public:
    explicit Mix(size_t length) : samples_(length, 0.0) {}

    std::vector<double>& Samples() { return samples_; }

    // Strikes a voice at `time` seconds. After `hold` seconds the sound is
    // damped away within about a tenth of a second, as a felt would.
    void Strike(std::span<const Partial> voice, double time, double frequency, double level, double attack,
                double hold = 1e9) {
        for (const Partial& p : voice) {
            double f = frequency * p.ratio;
            if (f >= Rate * 0.45) continue;
            AddPartial(time, f, level * p.gain, p.decay, attack, hold);
        }
    }

    // A burst of noise through a band-pass filter: the rattle of a shake.
    void Rattle(Rng& rng, double time, double centre, double level, double decay) {
        // Band-pass biquad (constant peak gain), Q about 1.2.
        double w = 2.0 * std::numbers::pi * centre / Rate, alpha = std::sin(w) / (2.0 * 1.2);
        double b0 = alpha, b2 = -alpha, a0 = 1.0 + alpha, a1 = -2.0 * std::cos(w), a2 = 1.0 - alpha;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        size_t start = static_cast<size_t>(time * Rate);
        size_t count = static_cast<size_t>(decay * 7.0 * Rate);
        for (size_t i = 0; i < count && start + i < samples_.size(); ++i) {
            double t = i / Rate;
            double env = (1.0 - std::exp(-t / 0.002)) * std::exp(-t / decay);
            double x = rng.Signed() * env;
            double y = (b0 * x + b2 * x2 - a1 * y1 - a2 * y2) / a0;
            x2 = x1, x1 = x, y2 = y1, y1 = y;
            samples_[start + i] += level * y;
        }
    }

private:
    // A decaying sine by a rotating phasor: one complex multiply a sample.
    void AddPartial(double time, double frequency, double gain, double decay, double attack, double hold) {
        constexpr double damping = 0.035;
        size_t start = static_cast<size_t>(time * Rate);
        std::complex<double> z(0.0, gain);
        std::complex<double> ring = std::polar(std::exp(-1.0 / (decay * Rate)), 2.0 * std::numbers::pi * frequency / Rate);
        std::complex<double> damped = std::polar(std::exp(-1.0 / (std::min(decay, damping) * Rate)),
                                                 2.0 * std::numbers::pi * frequency / Rate);
        size_t holdSamples = static_cast<size_t>(hold * Rate);
        size_t attackSamples = std::max<size_t>(1, static_cast<size_t>(attack * Rate));
        for (size_t i = 0; start + i < samples_.size(); ++i) {
            double a = i < attackSamples ? 0.5 - 0.5 * std::cos(std::numbers::pi * i / attackSamples) : 1.0;
            samples_[start + i] += a * z.real();
            z *= i < holdSamples ? ring : damped;
            if (std::norm(z) < 1e-8 * gain * gain) break;  // 80 dB down
        }
    }

    std::vector<double> samples_;
};

// ---------------------------------------------------------------- parts

double NoteSeconds(const Note& n) { return BeatTime(n.beat + n.length) - BeatTime(n.beat); }

void PlayTune(Mix& mix, const std::vector<Note>& tune, double level) {
    for (const Note& n : tune) {
        mix.Strike(Bell, BeatTime(n.beat), Frequency(n.pitch), level, 0.004, NoteSeconds(n) + 0.06);
    }
}

void PlayGlockenspiel(Mix& mix, const std::vector<Note>& tune, int transpose, double level) {
    for (const Note& n : tune) {
        mix.Strike(Glockenspiel, BeatTime(n.beat), Frequency(n.pitch + transpose), level, 0.001);
    }
}

// Verse and intro: the chord softly rolled on the off-beats, 2 and 4.
void PlayOffbeatChords(Mix& mix, Rng& rng, const std::vector<Chord>& chords, double level) {
    for (const Chord& c : chords) {
        for (double beat : {1.0, 3.0}) {
            for (int i = 0; i < 3; ++i) {
                double t = BeatTime(c.beat + beat) + 0.012 * i;
                mix.Strike(MusicBox, t, Frequency(ChordTone(c, i, 67)), level * rng.Range(0.85, 1.0), 0.003);
            }
        }
    }
}

// Chorus: the chord broken into running eighths, up and back down.
void PlayArpeggios(Mix& mix, Rng& rng, const std::vector<Chord>& chords, double level) {
    constexpr int pattern[] = {0, 1, 2, 3, 4, 3, 2, 1};
    for (const Chord& c : chords) {
        for (int i = 0; i < 8; ++i) {
            double accent = i % 2 == 0 ? 1.0 : 0.75;
            mix.Strike(MusicBox, BeatTime(c.beat + 0.5 * i), Frequency(ChordTone(c, pattern[i], 67) + 12),
                       level * accent * rng.Range(0.85, 1.0), 0.002);
        }
    }
}

// Root and fifth on 1 and 3, or, walking, root, third, fifth and third.
void PlayBass(Mix& mix, const std::vector<Chord>& chords, bool walking, double level) {
    for (const Chord& c : chords) {
        const int steps[] = {0, 1, 2, 1};
        int count = walking ? 4 : 2;
        for (int i = 0; i < count; ++i) {
            double beat = c.beat + (walking ? i : 2 * i);
            int tone = walking ? steps[i] : 2 * i;
            double hold = BeatTime(beat + (walking ? 0.9 : 1.8)) - BeatTime(beat);
            mix.Strike(Bass, BeatTime(beat), Frequency(ChordTone(c, tone, 40)), level, 0.015, hold);
        }
    }
}

// One shake of a strap of sleigh bells: a handful of small bells struck a
// few milliseconds apart, and the rattle of them.
void Shake(Mix& mix, Rng& rng, double time, double level) {
    for (int i = 0; i < 9; ++i) {
        double t = time + rng.Range(0.0, 0.030);
        double f = rng.Range(2600.0, 4800.0);
        mix.Strike(Jingle, t, f, level * rng.Range(0.4, 1.0), 0.0005);
    }
    mix.Rattle(rng, time, 7200.0, level * 0.9, 0.035);
}

// Eighths, the beat stronger than the off-beat, a shake accent on 2 and 4.
void PlaySleighBells(Mix& mix, Rng& rng, double fromBeat, double toBeat, double level) {
    for (double beat = fromBeat; beat < toBeat; beat += 0.5) {
        double inBar = std::fmod(beat, 4.0);
        double accent = inBar == 1.0 || inBar == 3.0 ? 1.0 : std::fmod(inBar, 1.0) == 0.0 ? 0.7 : 0.45;
        Shake(mix, rng, BeatTime(beat), level * accent);
    }
}

// The last chord: the tune's G on the bell with the whole chord under it,
// a rolled music box and a roll of sleigh bells dying away, then a run up
// the chord on the glockenspiel and one high bell to finish.
void PlayEnding(Mix& mix, Rng& rng) {
    double t = BeatTime(FinalBeat);
    for (int pitch : {55, 59, 62, 67}) mix.Strike(Bell, t, Frequency(pitch), pitch == 67 ? 0.26 : 0.16, 0.004);
    for (int pitch : {31, 43}) mix.Strike(Bass, t, Frequency(pitch), 0.22, 0.02);
    int roll[] = {67, 71, 74, 79, 83, 86};
    for (int i = 0; i < 6; ++i) mix.Strike(MusicBox, t + 0.03 * i, Frequency(roll[i]), 0.07, 0.003);
    for (int i = 0; i < 16; ++i) Shake(mix, rng, t + 0.09 * i, 0.08 * std::exp(-i / 6.0));
    int run[] = {79, 83, 86, 91};
    for (int i = 0; i < 4; ++i) {
        mix.Strike(Glockenspiel, BeatTime(FinalBeat + 2.0 + 0.5 * i), Frequency(run[i]), 0.09, 0.001);
    }
    mix.Strike(Glockenspiel, BeatTime(FinalBeat + 4.0), Frequency(91), 0.12, 0.001);
    mix.Strike(Bell, BeatTime(FinalBeat + 4.0), Frequency(79), 0.10, 0.004);
}

// ---------------------------------------------------------------- room

// A small bright room (Schroeder: four damped combs, two all-passes), so
// the bells have air around them.
std::vector<double> Room(const std::vector<double>& dry) {
    constexpr size_t combLengths[] = {1116, 1188, 1277, 1356};
    constexpr size_t allPassLengths[] = {556, 441};
    constexpr double feedback = 0.80, damp = 0.3, wet = 0.16;
    std::vector<double> out(dry.size(), 0.0);
    for (size_t length : combLengths) {
        std::vector<double> line(length, 0.0);
        double low = 0.0;
        for (size_t i = 0; i < dry.size(); ++i) {
            double y = line[i % length];
            low = y * (1.0 - damp) + low * damp;
            line[i % length] = dry[i] * 0.25 + low * feedback;
            out[i] += y;
        }
    }
    for (size_t length : allPassLengths) {
        std::vector<double> line(length, 0.0);
        for (size_t i = 0; i < out.size(); ++i) {
            double delayed = line[i % length];
            double x = out[i];
            line[i % length] = x + delayed * 0.5;
            out[i] = delayed - x;
        }
    }
    for (size_t i = 0; i < out.size(); ++i) out[i] = dry[i] + wet * out[i];
    return out;
}

// The last seconds fade to silence; the level is set so that the loudest
// sample stays well below full scale after lossy coding.
std::vector<float> Finish(const std::vector<double>& mixed) {
    constexpr double fadeSeconds = 2.6, silentSeconds = 0.15, peak = 0.80;
    double fadeEnd = mixed.size() / Rate - silentSeconds, fadeStart = fadeEnd - fadeSeconds;
    double loudest = 0.0;
    for (double s : mixed) loudest = std::max(loudest, std::fabs(s));
    std::vector<float> out(mixed.size());
    for (size_t i = 0; i < mixed.size(); ++i) {
        double t = i / Rate;
        double fade = t < fadeStart ? 1.0 : t >= fadeEnd ? 0.0 : 0.5 + 0.5 * std::cos(std::numbers::pi * (t - fadeStart) / fadeSeconds);
        out[i] = static_cast<float>(mixed[i] * fade * peak / loudest);
    }
    return out;
}

}  // namespace

std::vector<float> MakeJingle() {
    Mix mix(JingleLength);
    Rng rng(0x484F484Fu);  // "HOHO"

    std::vector<Chord> intro = ParseChords(IntroChords, 0.0);
    std::vector<Chord> verse = ParseChords(VerseChords, VerseBeat);
    std::vector<Chord> chorus = ParseChords(ChorusChords, ChorusBeat);
    std::vector<Chord> tag = ParseChords(TagChords, TagBeat);
    std::vector<Note> verseTune = ParseTune(Verse, VerseBeat);
    std::vector<Note> chorusTune = ParseTune(Chorus, ChorusBeat);
    std::vector<Note> tagTune = ParseTune(Tag, TagBeat);

    PlayGlockenspiel(mix, ParseTune(IntroTeaser, 0.0), 0, 0.10);
    PlayOffbeatChords(mix, rng, std::vector<Chord>(intro.begin() + 2, intro.end()), 0.06);
    PlayBass(mix, intro, false, 0.28);
    PlaySleighBells(mix, rng, 0.0, VerseBeat, 0.07);

    PlayTune(mix, verseTune, 0.30);
    PlayOffbeatChords(mix, rng, verse, 0.07);
    PlayBass(mix, verse, false, 0.28);
    PlaySleighBells(mix, rng, VerseBeat, ChorusBeat, 0.055);

    PlayTune(mix, chorusTune, 0.30);
    PlayGlockenspiel(mix, chorusTune, 12, 0.08);
    PlayArpeggios(mix, rng, chorus, 0.05);
    PlayBass(mix, chorus, true, 0.28);
    PlaySleighBells(mix, rng, ChorusBeat, TagBeat, 0.08);

    PlayTune(mix, tagTune, 0.30);
    PlayGlockenspiel(mix, tagTune, 12, 0.08);
    PlayOffbeatChords(mix, rng, tag, 0.07);
    PlayBass(mix, tag, false, 0.28);
    PlaySleighBells(mix, rng, TagBeat, FinalBeat, 0.065);

    PlayEnding(mix, rng);
    return Finish(Room(mix.Samples()));
}

}  // namespace mkmedia
