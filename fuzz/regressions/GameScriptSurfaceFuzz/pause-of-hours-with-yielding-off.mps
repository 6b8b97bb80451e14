; script
; A pause of nine hours with yielding off slept all of it in one pass, the program deaf
; to input, and on the stepping clock mixed the sound of all that time. It holds the loop
; a second at a time.
yield off
pause 32768
say after
