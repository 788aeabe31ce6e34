#include "framework/stream/stream.h"

#include <string>
#include <vector>

#include "framework/stream/filestream.h"
#include "framework/stream/ramstream.h"

namespace fw {

namespace {

// The factories in the order they were added; asked from the back. The
// embedded-file factory is the first, so "incbin::" URLs open from the start
// of the program without any set-up.
std::vector<Ref<TStreamFactory>>& Factories() {
    static std::vector<Ref<TStreamFactory>> factories{New<TRamStreamFactory>()};
    return factories;
}

}  // namespace

void AddStreamFactory(Ref<TStreamFactory> factory) {
    if (factory) Factories().push_back(std::move(factory));
}

Ref<TStream> OpenStream(std::string_view url, bool readable, bool writeable) {
    size_t split = url.find("::");
    if (split == std::string_view::npos) return OpenFileStream(url, readable, writeable);

    // Only A to Z are lowered: the protocol is compared as plain ASCII,
    // whatever the locale.
    std::string protocol(url.substr(0, split));
    for (char& c : protocol) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    std::string_view path = url.substr(split + 2);

    // By index, holding each factory while it is asked, so a factory that
    // adds another during its call cannot upset the walk.
    std::vector<Ref<TStreamFactory>>& factories = Factories();
    for (size_t i = factories.size(); i-- > 0;) {
        Ref<TStreamFactory> factory = factories[i];
        if (Ref<TStream> stream = factory->CreateStream(url, protocol, path, readable, writeable)) {
            return stream;
        }
    }
    return nullptr;
}

Ref<TStream> ReadStream(std::string_view url) { return OpenStream(url, true, false); }

}  // namespace fw
