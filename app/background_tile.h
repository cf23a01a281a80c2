#pragma once
// The window's background tile (the picture of BackgrndD): a 99 × 99 pixel, 256-colour image of a
// quiet grey texture around the window's light grey, drawn here so that the program carries no
// image files. It repeats seamlessly: every pattern in it has a period that divides 99.

#include <QImage>

namespace qbm {

// The same image at every call; computed, so it needs no application object.
QImage BackgroundTile();

}  // namespace qbm
