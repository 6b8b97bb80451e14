#pragma once

#include <memory>

#include "framework/OMIStream.h"
#include "framework/OMRect.h"
#include "trinkets/src/OMAnimation.h"

// The image pieces of the image sliders: animations of the stage that take no clicks (the
// slider under them does), or none when the resource is missing.
inline std::unique_ptr<OMAnimation> makeSliderImage(int id, int sequence, int x, int y,
                                                    OMTrinketWindow* host)
{
  std::unique_ptr<OMIStream> stream =
      OMAnimation::animationResolver ? OMAnimation::animationResolver(id) : nullptr;
  if (!stream) return nullptr;
  auto image = std::make_unique<OMAnimation>(std::move(stream), x, y, host);
  if (image->imageCount() == 0) return nullptr;
  image->setTouchy(0);
  if (sequence < image->sequenceCount()) image->setSequence(sequence, 1);
  image->show();
  return image;
}

// The size of an image piece's first image, or the fallback square.
inline int sliderImageWidth(const OMAnimation* image, int fallback)
{
  return image ? image->imageWidth(0) : fallback;
}
inline int sliderImageHeight(const OMAnimation* image, int fallback)
{
  return image ? image->imageHeight(0) : fallback;
}
