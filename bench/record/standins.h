// The recording stand-ins for the display, drawing, input and sound
// operations: every draw goes into a draw list with the drawing state it was
// made under, as the framework would hold that state.
#pragma once

#include "bench/common/drawlist.h"

namespace bench {

// The list that the stand-ins append to: a frame starts at Cls.
DrawList& Recording();

}  // namespace bench
