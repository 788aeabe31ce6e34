// Streams: byte streams opened by URL through a chain of factories.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/runtime/object.h"

namespace fw {

class TStream : public Object {
public:
    // The position, or -1 for a stream that cannot tell it.
    virtual int64_t Pos() = 0;
    // The size in bytes, or -1 when it is not known.
    virtual int64_t Size() = 0;
    // Moves to `pos` (clamped where the stream clamps) and returns the new
    // position, or -1 for a stream that cannot seek.
    virtual int64_t Seek(int64_t pos) = 0;
    // Copies up to `count` bytes into `buf`; returns how many (0 for a count
    // of 0 or less, or at the end).
    virtual int64_t Read(void* buf, int64_t count) = 0;
    // Writes up to `count` bytes; returns how many were written.
    virtual int64_t Write(const void* buf, int64_t count) = 0;
    virtual bool Eof() = 0;
    virtual void Close() = 0;
};

// Makes streams for the URLs whose protocol it knows.
class TStreamFactory : public Object {
public:
    // A stream for `url`, or null when this factory does not answer it.
    // `protocol` is the URL's text before the first "::" in lower case,
    // `path` all the text after it.
    virtual Ref<TStream> CreateStream(std::string_view url, std::string_view protocol,
                                      std::string_view path, bool readable,
                                      bool writeable) = 0;
};

// Adds a factory; the most recently added is asked first.
void AddStreamFactory(Ref<TStreamFactory> factory);

// Opens `url`. "proto::path" asks the factories, newest first; a URL without
// "::" names a file on disk. Null when nothing opens it.
Ref<TStream> OpenStream(std::string_view url, bool readable, bool writeable);
// OpenStream(url, true, false).
Ref<TStream> ReadStream(std::string_view url);

}  // namespace fw
