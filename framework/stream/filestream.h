// Streams over files on disk (URLs without "::"). Internal to the module.
#pragma once

#include <string_view>

#include "framework/stream/stream.h"

namespace fw {

// Opens the regular file at `path`: for reading, for writing (created or
// emptied first), or both (created if missing, kept otherwise). Null when it
// cannot be opened, when neither is asked, or when it is not a regular file.
Ref<TStream> OpenFileStream(std::string_view path, bool readable, bool writeable);

}  // namespace fw
