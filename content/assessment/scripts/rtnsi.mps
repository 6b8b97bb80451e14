; Back from the main program to the sign-in (hand-off mode 3).
say "rtnsi"
next="signin.mps"
relay next
