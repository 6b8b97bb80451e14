; script
; A TrueType font of the smallest size: its character height, the size negated,
; overflowed.
o=REditTxt 10 10 3 "-2147483648" 0 80 x
pause 0.1
