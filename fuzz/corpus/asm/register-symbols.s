        cpu   sc/mp
        org   0x100
ptr0    reg   p0
ereg    reg   e
ptr2    equ   p2
pcnt    =     pc
r       set   p1
        xpah  ptr2
        xppc  r
        st    @ereg(2)
        ld    ereg(ptr2)
        ld    -128(pcnt)
        ld    -128(p3)
        ld    $-127
r       set   ptr2
        xpal  r
        ldi   ptr2+1
