#include "app/qt/background_tile.h"

#include <cstring>

#include "app/view/background_tile.h"

namespace qbm {

QImage BackgroundTile() {
  const TileImage& tile = BackgroundTileImage();
  QImage image(tile.size, tile.size, QImage::Format_Indexed8);
  QList<QRgb> palette;
  for (const controls::Rgb& c : tile.palette) palette.append(qRgb(c.red, c.green, c.blue));
  image.setColorTable(palette);
  for (int y = 0; y < tile.size; ++y)
    std::memcpy(image.scanLine(y), tile.pixels.data() + static_cast<std::size_t>(y * tile.size),
                static_cast<std::size_t>(tile.size));
  return image;
}

}  // namespace qbm
