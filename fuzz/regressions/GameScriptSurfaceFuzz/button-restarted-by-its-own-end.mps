; script
; A button whose animation holds at its end, with a procedure for that end that plays the
; button again: the tick that reached the end went round the codes for ever.
b=RPButton 400 300 7 7
set b paused again
say made
procedure again
  play RECEIVER default
