; script
; An animation whose sequence is set to the smallest number: the sequence before it, one
; less, overflowed.
a=OMAnimation 10 10 8
set a sequence "-2147483648"
pause 0.1
