#include "tools/snowtrace/scenerun.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "framework/audio/audiodriver.h"
#include "framework/graphics/graphicsdriver.h"

namespace scenerun {

std::string Call::Line() const {
    std::string line = op;
    for (const std::string& arg : args) {
        line += ' ';
        line += arg;
    }
    return line;
}

float Call::Real(size_t i) const { return std::strtof(args.at(i).c_str(), nullptr); }
int Call::Int(size_t i) const { return std::atoi(args.at(i).c_str()); }

void SceneClock::Set(int32_t ms) {
    now_ = int64_t(ms) * 1000;
    moving_ = false;
}

int64_t SceneClock::Micros() { return moving_ ? now_ += 100 : now_; }

void SceneClock::SleepMicros(int64_t us) {
    if (us > 0) now_ += us;
    moving_ = true;
}

SceneRun::SceneRun(int32_t ms) : display(fw::New<fw::TRecordDriver>()) {
    clock.Set(ms);
    fw::SetClock(&clock);
    fw::SetGraphicsDriver(display);
    fw::SetAudioDriver(fw::SilentAudioDriver());
    fw::SetTracer(this);
    // Keys reach the program as they do from the window system; only the
    // event queue is needed for that, no display.
    SDL_InitSubSystem(SDL_INIT_EVENTS);
}

SceneRun::~SceneRun() {
    fw::EndGraphics();
    fw::SetTracer(nullptr);
    fw::SetGraphicsDriver(nullptr);
    fw::SetAudioDriver(nullptr);
    fw::SetClock(nullptr);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

std::string SceneRun::Name(const fw::Object* object) const {
    if (!object) return "null";
    auto it = roles_.find(object);
    if (it != roles_.end()) return it->second;
    if (dynamic_cast<const fw::TImage*>(object)) return "image";
    if (dynamic_cast<const fw::TSound*>(object)) return "sound";
    if (dynamic_cast<const fw::TChannel*>(object)) return "channel";
    return "object";
}

std::string SceneRun::Text(const fw::TTraceValue& value) const {
    if (const int* i = std::get_if<int>(&value)) return std::to_string(*i);
    if (const float* f = std::get_if<float>(&value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", double(*f));
        return text;
    }
    if (const auto* text = std::get_if<std::string_view>(&value)) return std::string(*text);
    if (const auto* object = std::get_if<const fw::Object*>(&value)) return Name(*object);
    return "";
}

void SceneRun::Called(const fw::TTraceCall& call) {
    // What the program loaded is named by where it came from.
    const auto* loaded = std::get_if<const fw::Object*>(&call.result);
    const std::string_view op = loaded && *loaded ? call.op : "";
    if (op == "LoadImage" || op == "LoadSound") {
        const std::string_view url = std::get<std::string_view>(call.args[0]);
        std::string role = op == "LoadImage" ? (url == "incbin::pic4.png"    ? "background"
                                                : url == "incbin::flake.png" ? "flake"
                                                                             : "image")
                                             : (url == "incbin::hohoho.ogg" ? "jingle" : "sound");
        roles_[*loaded] = std::move(role);
        named_.emplace_back(*loaded);
    }
    if (observe) observe(call);
    if (keep || sink) {
        Call line{call.op, {}};
        for (const fw::TTraceValue& arg : call.args) line.args.push_back(Text(arg));
        if (std::holds_alternative<int>(call.result)) line.args.push_back(Text(call.result));
        if (sink) sink(line);
        if (keep) calls.push_back(std::move(line));
    }
    // Checked last and by its first letter first: the trace of a long run
    // is mostly draws.
    if (call.op[0] == 'F' && std::strcmp(call.op, "Flip") == 0) {
        if (++flips == escapeFromFlip) {
            SDL_Event press = {};
            press.type = SDL_KEYDOWN;
            press.key.state = SDL_PRESSED;
            press.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
            press.key.keysym.sym = SDLK_ESCAPE;
            SDL_PushEvent(&press);
        }
        if (onFlip) onFlip();
    }
}

}  // namespace scenerun
