; script
; Pauses in a loop without end, yielding off: the run held its pass for as long as the loop
; lasted, and the stepping clock made the sound of every pause. The pass is given back once
; the pauses have held the run a second.
yield off
s=RSound 20 20 1
play s start
for i 5 -1 10
  pause 256
