#pragma once
// The window's background tile (app/view/background_tile.h) as a Qt image: 99 × 99 pixels of 256
// colours.

#include <QImage>

namespace qbm {

// The same image at every call; computed, so it needs no application object.
QImage BackgroundTile();

}  // namespace qbm
