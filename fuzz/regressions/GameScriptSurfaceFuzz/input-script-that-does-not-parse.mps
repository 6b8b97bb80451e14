; script
; A script written out whose input script does not parse: the run goes on without input.
o1=OMAnimation 200 150 7
pause 1

; input
at at 10400 move 900 700
