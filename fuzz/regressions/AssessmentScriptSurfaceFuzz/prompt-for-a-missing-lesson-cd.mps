; script
; The prompt for the CD of a lesson that is not there comes back until the user cancels
; it; a run whose user only ever said OK never ended.
checkCD 5
say after
