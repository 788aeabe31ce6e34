// The table of embedded files: blocks of bytes built into the program,
// registered by name and opened as "incbin::name".
#pragma once

#include <cstdint>
#include <string_view>

namespace fw {

// Registers the block of `length` bytes at `data` under `name`. Returns 1, or
// 0 when the name is already registered (the first registration keeps its
// block) or the block is unusable (null address, negative length). The block
// is not copied: it must stay where it is for the life of the process.
int IncbinAdd(std::string_view name, const void* data, int32_t length);

// The block registered under exactly `name` (case matters), or null.
const void* IncbinPtr(std::string_view name);

// That block's length in bytes, or 0 when the name is not registered.
int32_t IncbinLen(std::string_view name);

}  // namespace fw
