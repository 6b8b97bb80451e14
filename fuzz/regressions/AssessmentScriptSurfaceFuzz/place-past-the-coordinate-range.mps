; script
; A trinket placed at a position whose size no longer fits in 32 bits: the size of the
; region the stage repainted around it overflowed.
o=signin 10 10 100
play o place 9 2147483648
pause 0.1
