// The logo written beside every HTML list as "mflogo.gif": our own 151 x 32 GIF
// (res/mflogo.gif), compiled in so the program needs no files beside it.
#pragma once

#include <cstddef>
#include <string_view>

class CLogoResource {
public:
    // The raw bytes of the resource (name, type), both matched without regard to case;
    // empty when the program has no such resource.
    static std::string_view Find(std::string_view name, std::string_view type);
    // The GIF itself.
    static std::string_view LogoGif();
};
