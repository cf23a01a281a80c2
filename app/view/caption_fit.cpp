#include "app/view/caption_fit.h"

#include <iterator>

namespace qbm {

int FitStretch(int available, const std::function<int(int stretch)>& widthAt) {
  for (int stretch : CaptionStretches)
    if (widthAt(stretch) <= available) return stretch;
  return *std::prev(std::end(CaptionStretches));
}

}  // namespace qbm
