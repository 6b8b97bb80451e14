#include "assessment/src/MoveXYAction.h"

MoveXYAction::MoveXYAction(RAnimation* animation, OMScriptableObject* target, const MoveAxis& x,
                           const MoveAxis& y, int interruptible)
    : MoveAction(animation, target, interruptible, x.end, y.end), x_(x), y_(y)
{
}

std::unique_ptr<Action> MoveXYAction::create(int interruptible)
{
  const Objects objects = popObjects();
  MoveAxis x, y;
  popAxis(x);
  const char* endY = popAxis(y);
  const std::optional<int> flag = popInterruptible(interruptible, endY);
  if (!objects.animation || !objects.target || !flag) return nullptr;
  return std::make_unique<MoveXYAction>(objects.animation, objects.target, x, y, *flag);
}

void MoveXYAction::moveToStart()
{
  x_.position = x_.start;
  y_.position = y_.start;
  placeTarget(x_.position, y_.position);
}

bool MoveXYAction::advance()
{
  x_.advance();
  y_.advance();
  if (x_.passed() && y_.passed()) return false;
  placeTarget(x_.position, y_.position);
  return true;
}
