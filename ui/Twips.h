#pragma once
// Page measures are given in twips (1/1440 inch); on screen 15 twips make one
// device-independent pixel. Convert here, once, not in every page.

namespace kestrel {

constexpr int TwipsPerPixel = 15;

constexpr int twips(int value) {
    return value / TwipsPerPixel;
}
constexpr int toTwips(int pixels) {
    return pixels * TwipsPerPixel;
}

} // namespace kestrel
