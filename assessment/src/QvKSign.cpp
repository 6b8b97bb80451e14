#include "assessment/src/QvKSign.h"

#include <algorithm>

#include "assessment/src/QvKProblems.h"
#include "framework/OMCanvas.h"
#include "framework/OMRGBColor.h"
#include "trinkets/lib/ScopedCanvasPens.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMFrameEntry.h"

namespace {

constexpr OMRect shape[] = {{328, 307, 451, 436}, {303, 334, 473, 405}, {315, 320, 462, 421}};

}  // namespace

OMRect QvKSign::bounds()
{
  return shape[0].united(shape[1]);
}

void QvKSign::paintShape(OMCanvas& canvas)
{
  const ScopedCanvasPens pens(canvas);
  canvas.setFillColor(OMRGBColor::fromIndex(color));
  canvas.setFill(true);
  canvas.setFrame(false);
  for (const OMRect& rect : shape)
    canvas.drawRect(rect);
}

std::vector<OMPoint> QvKSign::picturePositions(int layout, int count, int w, int h)
{
  const int boxWidth = pictureBox.width(), boxHeight = pictureBox.height();
  if (layout == QvKProblems::singleLayout)
    return {
        OMPoint(pictureBox.left() + (boxWidth - w) / 2, pictureBox.top() + (boxHeight - h) / 2)};
  if (layout < 0 || layout >= QvKProblems::layoutCount) return {};
  const auto& offsets = QvKProblems::layouts()[static_cast<std::size_t>(layout)];
  count = std::clamp(count, 0, QvKProblems::layoutPositions);
  int widest = 0, tallest = 0;
  for (int i = 0; i < count; ++i) {
    widest = std::max(widest, offsets[static_cast<std::size_t>(i)].x);
    tallest = std::max(tallest, offsets[static_cast<std::size_t>(i)].y);
  }
  const int left = pictureBox.left() + (boxWidth - (w + widest)) / 2;
  const int top = pictureBox.top() + (boxHeight - (h + tallest)) / 2;
  std::vector<OMPoint> points;
  for (int i = 0; i < count; ++i)
    points.emplace_back(left + offsets[static_cast<std::size_t>(i)].x,
                        top + offsets[static_cast<std::size_t>(i)].y);
  return points;
}

void QvKSign::paintPictures(OMCanvas& canvas, OMAnimation& strip, int row, int layout, int count)
{
  const OMFrameEntry* entry = strip.frameEntry(row);
  if (!entry || !entry->isDisplayable()) return;
  const int image = entry->image;
  for (const OMPoint& at :
       picturePositions(layout, count, strip.imageWidth(image), strip.imageHeight(image)))
    strip.drawImage(image, at.x, at.y, &canvas, nullptr);
}
