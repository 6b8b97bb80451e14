; The confirmation: one level animation per skill area; its buttons keep or delete the result
; file and then start the main program.
Scene "ConfirmScreen"
setMenu 8
fadeFromBlack
done=RConfirm
wait
