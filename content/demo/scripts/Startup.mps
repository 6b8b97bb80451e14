say Hello, Demo
InstallCursors
; No scene port yet: the game ends itself after a while.
pause 5
quit
