; script
; A trinket offset by the smallest number while held at the edge of its confinement: the
; place the pointer would have taken it to overflowed.
b=RHotSpot 10 10 50 50
play b offset "-2147483648" 0
play b offset "-2147483648" 0
pause 0.1
