; script
; An answer's hot point was kept as given and read back on the stage, where the largest
; number plus the answer's place overflowed.
a=RGraphicAnswer 20 20
set a x 32
set a y -32
set a hotPointX 2147483647
set a hotPointY -2147483648
get a hotPointX x
get a hotPointY y
say x y
