; counts on the LEDs
@0200
C4 00     LDI 0
  35        XPAH P1 
C4	A0
31
'comment
:label
@1A00
AB
c4 ignored
@
@2
@0FFF
12
34

   
DLY 5
