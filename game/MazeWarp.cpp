#include "game/MazeWarp.h"

void MazeWarp::show()
{
  if (!animation) return;
  animation->show();
  animation->resume();
}

void MazeWarp::hide()
{
  if (!animation) return;
  animation->hide();
  animation->pause();
}
