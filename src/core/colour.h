#pragma once
// Indicator colours: 24-bit values with red in the low byte, as the windows
// and the stored settings have always counted them (255 red, 65280 green).

namespace colour {
constexpr int rgb(int r, int g, int b)
{
    return r + 256 * g + 65536 * b;
}
constexpr int Red = rgb(255, 0, 0);
constexpr int Green = rgb(0, 255, 0);
constexpr int Yellow = rgb(255, 255, 0);
constexpr int Orange = rgb(255, 128, 0);
constexpr int White = rgb(255, 255, 255);
constexpr int Black = 0;
constexpr int Grey = rgb(136, 136, 136);
constexpr int LightGrey = rgb(224, 224, 224);
} // namespace colour
