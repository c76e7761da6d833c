; SUMBUG: meant to add the four bytes at TABLE (1 + 2 + 3 + 4) and show
; the sum, 0x0A, on the LEDs. It has a fault: the LEDs show 0x00.
;
; Chapter 5 of the guide (docs/guide.md) finds the fault with the Monitor:
; a watchpoint on COUNT stops the run at the instruction that spoils it.
; The corrected program is EX5_SUM.s.
;
; Use: load this source with Files > Assemble Source... (or its listing
; SUMBUG.ASM with Files > Load ASM-file). With the RUN/PRGM lamp green
; (program mode), press RST. With the S.STEP lamp lit, press SST: the
; S.STEP lamp goes dark. Press Run / Prgm: the RUN/PRGM lamp turns red,
; the HALT lamp lights and the LEDs show 0x00 instead of 0x0A.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI H(TABLE)
        XPAH P2
        LDI L(TABLE)
        XPAL P2         ; P2 = the first byte of the table
        LDI 4
        ST COUNT        ; four bytes to add
        LDI 0
        ST 4(P2)        ; the sum, kept in the cell after the table
LOOP:   CCL             ; ADD adds the carry too
        LD 4(P2)        ; the sum so far
        ADD @1(P2)      ; + the next byte, P2 to the one after it
        ST 4(P2)        ; the sum back
        DLD COUNT
        JNZ LOOP
        LD 4(P2)        ; the sum
        ST 0(P1)        ; to the LEDs
        HALT
TABLE:  .byte 1, 2, 3, 4
SUM:    .byte 0                 ; 4(P2) while P2 points at TABLE
COUNT:  .byte 0                 ; bytes left to add
