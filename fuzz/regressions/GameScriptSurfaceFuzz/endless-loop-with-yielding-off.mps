; script
; A loop without end with yielding off held the program's loop for ever. Each pass now
; gives it back, so the procedure scheduled meanwhile runs and ends the program.
schedule 0.3 stop
yield off
for i 1 10 0
  debug
procedure stop
  quit
