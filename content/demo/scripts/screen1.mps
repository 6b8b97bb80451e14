; Screen 1: the greeting (a welcome back once the player has seen screen 2), the ball and
; the "Go" button. The caller has set the scene and ends the transition.
procedure screenOne
[
  greeting="Hello, Demo"
  get world seenMap seen
  if seen=1
    greeting="Welcome back, Demo"
  say greeting
  words=RText greeting 320 100 1
  set words font 300
  set words color 65535 65535 65535
  ball=RAnimation 100 200 210
  go=RPButton 240 400 200
  set go hit goHit
]

; "Go": on to screen 2, which dissolves in. The click sounds after "StartTransition", which
; stops the sounds played before it; the transition also saves the player, seenMap and all.
procedure goHit
[
  say "go"
  set world seenMap 1
  StartTransition
  PlaySound 400
  drop words ball go
  Scene 101
  call screenTwo
  play scene dissolve 30 0
]
