; script
; The first frame of a movie signal, from a number below any frame: one less than the
; smallest number overflowed.
m=RSmackerMovie 10 10 "m.smk"
play m addSignals "-2147483648"
play m removeSignals "-2147483648"
