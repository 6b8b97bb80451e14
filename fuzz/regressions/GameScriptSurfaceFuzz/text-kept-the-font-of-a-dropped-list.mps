; script
; A text made without a font of its own took the canvas font that a selection list
; had left there, and drew with it after the list was gone.
l=RSelList 10 10 100 100
pause 0.2
yield off
t=RGraphicTextAnswer 200 150 1 x 0 0 0
l=
pause 0.2
