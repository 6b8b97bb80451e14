; script
; A ditty told to repeat as often as the largest number: the plays, one more, overflowed.
d=RDitty 10 10
set d repeat 2147483647
get d repeat t
say t
