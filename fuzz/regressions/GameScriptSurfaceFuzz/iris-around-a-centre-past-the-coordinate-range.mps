; script
; An iris whose centre lay at the far end of the number range moved from the screen's middle
; toward it and overflowed the circle's place; the shake's amplitudes went into its origin
; the same way. Both are held to the coordinate range where the script gives them.
s=RScenePort
play s iris "-2147483648" "-2147483648" "-2147483648" "-2147483648"
pause 0.1
play s iris 10 2147483647 2147483647 2147483647
pause 0.1
play s shake 10 2147483647 "-2147483648"
pause 0.1
