; script
; A procedure connected to a class ran for each copy made of one of its objects, and
; made a copy again: the copies nested until the stack ran out.
set RText copied copy
t=RText "a" 10 10
u=t
say after
procedure copy
  u=t
