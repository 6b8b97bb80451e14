; script
; A stacking container made from a rectangle whose width reaches past the number range
; overflowed its right edge.
c=RStackingContainer 82 82 2147483647 2147483647 1 2 3
d=RStackingContainer 4 "-2147483648" 2147483647 1 2 3
pause 0.1
