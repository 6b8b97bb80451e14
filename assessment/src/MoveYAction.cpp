#include "assessment/src/MoveYAction.h"

MoveYAction::MoveYAction(RAnimation* animation, OMScriptableObject* target, const MoveAxis& axis,
                         int interruptible)
    : MoveAxisAction(animation, target, axis, interruptible, false)
{
}

std::unique_ptr<Action> MoveYAction::create(int interruptible)
{
  Arguments arguments;
  if (!popArguments(interruptible, arguments)) return nullptr;
  return std::make_unique<MoveYAction>(arguments.objects.animation, arguments.objects.target,
                                       arguments.axis, arguments.interruptible);
}
