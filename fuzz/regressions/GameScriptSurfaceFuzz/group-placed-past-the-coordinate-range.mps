; script
; A group of trinkets placed at a position past the range whose sizes fit in 32 bits: the
; move from where it stood overflowed.
m=OMMultiTrinket
play m place 40 40
play m place "-2147483648" 2147483647
set m y "-2147483648"
pause 0.1
