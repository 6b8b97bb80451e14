; The demo's start. Screen 1 greets the player "Demo", a ball bounces and "Go" leads to
; screen 2, whose "Back" leads home again. Esc or the window's close box ends the game.
; The start runs in one go: nothing is seen before the first screen.
yield off
scene=RScenePort
world=RWorldPort
set scene appClose closeAsked
set scene effectFinished screenShown
InstallCursors
StartTransition
Scene 100
play world activatePlayer Demo
call screenOne
EndTransition
play scene startBackgroundMusic 402 60 1

; After a dissolve or a wipe has revealed the new screen in full.
procedure screenShown
[
  EndTransition 1
]

; The shell asks to close: the game says goodbye and agrees.
procedure closeAsked
[
  say "bye"
  play scene exitSelected 1
]

include screen1.mps
include screen2.mps
