; script
; A dialog as wide as a coordinate can be: each line of its frame was walked, and its
; points kept, from end to end, not only where the stage shows it.
yield off
d=OMTrinketDialog 20 20 -2147483648 256
play d show
pause 0.2
