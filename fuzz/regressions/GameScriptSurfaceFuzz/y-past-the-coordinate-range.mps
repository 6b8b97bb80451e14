; script
; A trinket's "y" set far past the range whose sizes fit in 32 bits overflowed its
; rectangle.
o=RHotSpot 10 10 50 50
set o y "-2147483648"
pause 0.1
