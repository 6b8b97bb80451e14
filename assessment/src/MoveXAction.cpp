#include "assessment/src/MoveXAction.h"

MoveXAction::MoveXAction(RAnimation* animation, OMScriptableObject* target, const MoveAxis& axis,
                         int interruptible)
    : MoveAxisAction(animation, target, axis, interruptible, true)
{
}

std::unique_ptr<Action> MoveXAction::create(int interruptible)
{
  Arguments arguments;
  if (!popArguments(interruptible, arguments)) return nullptr;
  return std::make_unique<MoveXAction>(arguments.objects.animation, arguments.objects.target,
                                       arguments.axis, arguments.interruptible);
}
