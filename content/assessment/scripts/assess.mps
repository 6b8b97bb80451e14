; The ride: the help character asks each problem and the answers light up in turn; a click on
; the answer or the horn picks the lit one. The results are written before the confirmation.
Scene "RideScreen"
setMenu 4
fadeFromBlack
ride=RAssess 0
set ride goToConfirmation confirm
wait

procedure confirm
[
  say "goToConfirmation"
  fadeToBlack
  next="confirm.mps"
  relay next
]
