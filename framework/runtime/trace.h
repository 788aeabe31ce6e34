// The call trace: an observer that the framework's operations tell of every
// call a program makes to them, for tools and tests that need to see what a
// program does (its calls in order, with their arguments).
//
// The operations that report are those a program calls to register its
// embedded files, read the clock, seed the generator, open and show the
// display, draw, read the keys and play sounds: IncbinAdd, MilliSecs,
// SeedRnd, Graphics, Flip, HideMouse, Cls, SetColor, SetAlpha, SetBlend,
// SetMaskColor, SetHandle, SetRotation, SetScale, LoadImage, MidHandleImage,
// DrawImage, DrawRect, KeyDown, LoadSound (by URL) and PlaySound. None of
// them calls another, so each call of the program is reported once. Reads of
// what the program itself set (GraphicsWidth, ImageWidth …) do not report.
//
// With no tracer installed (the default) an operation pays one test of a
// pointer; with one, it reports once its work is done.
#pragma once

#include <span>
#include <string_view>
#include <variant>

#include "framework/runtime/object.h"

namespace fw {

// An argument or a result: an integer, a real, a text, or an object (null
// included). std::monostate stands for no result.
using TTraceValue = std::variant<std::monostate, int, float, std::string_view, const Object*>;

struct TTraceCall {
    const char* op;  // the operation's name, as the program calls it
    std::span<const TTraceValue> args;
    // MilliSecs and KeyDown give what they read; Graphics, LoadImage,
    // LoadSound and PlaySound the object they return, so that a tracer can
    // tell the objects apart when they are passed on. None for the rest.
    TTraceValue result;
};

class TTracer {
public:
    virtual ~TTracer() = default;
    virtual void Called(const TTraceCall& call) = 0;
};

// Installs the tracer that later calls are reported to; null turns the
// trace off. The tracer must stay until it is replaced.
void SetTracer(TTracer* tracer);

namespace trace_detail {
extern TTracer* tracer;
}  // namespace trace_detail

// Reports a call of `op` that returned `result` (std::monostate{} for none).
template <class Result, class... Args>
inline void Trace(const char* op, const Result& result, const Args&... args) {
    if (!trace_detail::tracer) [[likely]]
        return;
    const TTraceValue values[] = {TTraceValue(args)..., TTraceValue()};
    trace_detail::tracer->Called(
        TTraceCall{op, std::span<const TTraceValue>(values, sizeof...(Args)), TTraceValue(result)});
}

}  // namespace fw
