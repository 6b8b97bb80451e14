; script
; The cursor of a shown dialog followed the mouse without being the current cursor; when
; the dialog went, the stage kept following the mouse for a cursor that was gone.
yield off
d=OMTrinketDialog 20 20 200 100
play d show
d=
yield on
pause 0.5
; input
at 10300 move 100 100
at 10400 move 120 120
