; script
; An array as long as the largest number: an element for each, and the whole file written
; again after each one.
x=RXMLDatFile "arr"
set x writeMethod 0
play x createArray big 2147483647 1
