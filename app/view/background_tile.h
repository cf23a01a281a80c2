#pragma once
// The window's background tile (the picture of BackgrndD): a 99 × 99 pixel, 256-colour image of a
// quiet grey texture around the window's light grey, computed here so that the program carries no
// image files. It repeats seamlessly: every pattern in it has a period that divides 99. Each window
// turns it into a picture of its toolkit and tiles it from the client area's top-left corner.

#include <array>
#include <cstdint>
#include <vector>

#include "app/view/main_window_controls.h"

namespace qbm {

struct TileImage {
  int size = 0;                              // width and height in pixels
  std::array<controls::Rgb, 256> palette{};  // the 256 colours
  std::vector<std::uint8_t> pixels;          // palette indexes, row by row from the top
};

// The same image at every call.
const TileImage& BackgroundTileImage();

// The background is tiled on displays of more than 16 colours; with 4 bits per pixel or fewer the
// plain grey stays.
constexpr bool TiledBackground(int colorBits) { return colorBits >= 5; }

}  // namespace qbm
