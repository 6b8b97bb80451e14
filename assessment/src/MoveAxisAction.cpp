#include "assessment/src/MoveAxisAction.h"

MoveAxisAction::MoveAxisAction(RAnimation* animation, OMScriptableObject* target,
                               const MoveAxis& axis, int interruptible, bool horizontal)
    : MoveAction(animation, target, interruptible,
                 horizontal ? std::optional<int>(axis.end) : std::nullopt,
                 horizontal ? std::nullopt : std::optional<int>(axis.end)),
      axis_(axis),
      horizontal_(horizontal)
{
}

bool MoveAxisAction::popArguments(int registryDefault, Arguments& out)
{
  out.objects = popObjects();
  const char* end = popAxis(out.axis);
  const std::optional<int> flag = popInterruptible(registryDefault, end);
  out.interruptible = flag.value_or(0);
  return out.objects.animation && out.objects.target && flag;
}

void MoveAxisAction::place(int coordinate)
{
  if (horizontal_)
    placeTarget(coordinate, std::nullopt);
  else
    placeTarget(std::nullopt, coordinate);
}

void MoveAxisAction::moveToStart()
{
  axis_.position = axis_.start;
  place(axis_.position);
}

bool MoveAxisAction::advance()
{
  axis_.advance();
  if (axis_.passed()) return false;
  place(axis_.position);
  return true;
}
