; script
; The event source keeps the stage's key link it finds and gives it back when it goes; a
; keyboard object dropped meanwhile was then called by the next key after it was freed.
yield off
k=RKbdInp
e=REvent
k=
e=
yield on
pause 1
; input
at 10500 key Enter
