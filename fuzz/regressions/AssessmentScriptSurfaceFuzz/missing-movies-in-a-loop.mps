; script
; A movie the assessment program cannot find ends the program after its message; the
; script went on in the same pass, and each movie more it made showed one more message.
yield off
for i 1 5000
  m=RSmackerMovie 10 10 "nothere.smk"
