; Screen 2: its text and the "Back" button. The caller has set the scene and shows it.
procedure screenTwo
[
  words=RText "This is screen 2" 320 100 1
  set words font 300
  set words color 65535 65535 65535
  back=RPButton 240 400 201
  set back hit backHit
]

; "Back": home to screen 1, wiped in from the left.
procedure backHit
[
  say "back"
  StartTransition
  PlaySound 400
  drop words back
  Scene 100
  call screenOne
  play scene wipe 1 30 0
]
