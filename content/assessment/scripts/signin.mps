; Sign-in: the list of users; Enter or a double click signs in. Each user's visits are counted
; in "users\session.dat", and the progress file is read and written back. Then the ride.
Scene "SignInScreen"
setMenu 1
fadeFromBlack
list=signin 200 160 240
set list hit signedIn
set list cSignin typed
play list clear
wait

; Each typed character waits for this before the next is taken.
procedure typed
[
  play list clear
]

procedure signedIn
[
  get list isNew isNew
  say "isNew" isNew
  session=RDatFile 200 "users\session.dat"
  get session var "visits" count
  if count="empty"
    count=0
  count=count+1
  set session var "visits" count
  say "visits" count
  play session loadMRData
  play session writeMRData
  drop session
  fadeToBlack
  next="assess.mps"
  relay next
]
