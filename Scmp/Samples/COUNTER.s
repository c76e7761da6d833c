; COUNTER: a binary counter on the LEDs, slowed down by DLY.
;
; The byte COUNT (address 0x00F) is counted up with ILD and shown on the
; LEDs; after each count DLY 0xFF waits (0xFF + 1) x 10000 + (A + 1) x 40
; empty steps, about an eighth of a second. After 0xFF comes 0x00.
;
; Use: load this listing, press RST, switch single step off with SST and
; press Run / Prgm. The LEDs count in binary, LED 0 the lowest bit.
; With the pause count at 10000 (the default) the run pauses after 10000
; instructions; Step/Start goes on. Press HLT to stop.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
LOOP:   ILD COUNT       ; A = COUNT + 1, stored back
        ST 0(P1)        ; show it
        DLY 0xFF        ; wait
        JMP LOOP
COUNT:  .byte 0                 ; the count
