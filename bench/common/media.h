// The program's three embedded files, for the benchmarks.
#pragma once

namespace bench {

// Registers the three embedded files under their names, as the program's
// first act does.
void RegisterMedia();

}  // namespace bench
