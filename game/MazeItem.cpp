#include "game/MazeItem.h"

void MazeItem::show()
{
  if (animation) animation->show();
}

void MazeItem::hide()
{
  if (animation) animation->hide();
}
