// For the tests that open a display under LeakSanitizer.
#pragma once

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

namespace fw::testing {

// Closing a display unloads Mesa's driver, and LeakSanitizer can neither
// scan nor name an unloaded library: what the driver keeps for as long as it
// is loaded would show as leaks from an unknown place. Every library loaded
// now stays loaded, so it is seen as it is. Call it with the display open.
inline void KeepLibrariesLoaded() {
    std::vector<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* list) {
            if (info->dlpi_name && *info->dlpi_name)
                static_cast<std::vector<std::string>*>(list)->push_back(info->dlpi_name);
            return 0;
        },
        &names);
    for (const std::string& name : names)
        dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace fw::testing
