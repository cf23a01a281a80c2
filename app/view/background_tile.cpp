#include "app/view/background_tile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qbm {
namespace {

constexpr int Size = controls::TilePixels;

// A repeatable pseudo-random value in [0, 1) for a pixel of the tile.
double grain(int x, int y) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (h & 0xffffu) / 65536.0;
}

// A wave across the tile that repeats after `Size` pixels in both directions.
double wave(int x, int y, int fx, int fy, double phase) {
  return std::cos(2 * std::numbers::pi * (fx * x + fy * y) / Size + phase);
}

// The texture's brightness at a pixel, about 0.5 and within [0, 1].
double brightness(int x, int y) {
  double v = 0.5;
  v += 0.10 * wave(x, y, 2, 1, 0.0);
  v += 0.08 * wave(x, y, -1, 3, 1.3);
  v += 0.05 * wave(x, y, 5, 4, 0.7);
  v += 0.04 * wave(x, y, 9, -2, 2.1);
  v += 0.12 * (grain(x, y) - 0.5);
  return std::clamp(v, 0.0, 1.0);
}

TileImage drawTile() {
  TileImage tile;
  tile.size = Size;
  // 256 greys from just below to just above the window's RGB 192,192,192, with a hint of blue.
  for (int i = 0; i < 256; ++i) {
    const int grey = 176 + i * 32 / 255;
    tile.palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                                                 static_cast<std::uint8_t>(std::min(255, grey + 4))};
  }
  tile.pixels.resize(static_cast<std::size_t>(Size * Size));
  for (int y = 0; y < Size; ++y)
    for (int x = 0; x < Size; ++x)
      tile.pixels[static_cast<std::size_t>(y * Size + x)] = static_cast<std::uint8_t>(std::lround(brightness(x, y) * 255));
  return tile;
}

}  // namespace

const TileImage& BackgroundTileImage() {
  static const TileImage tile = drawTile();
  return tile;
}

}  // namespace qbm
