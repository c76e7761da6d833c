; EX5_SUM: adds the four bytes at TABLE and shows the sum, 0x0A.
;
; Answer to the exercise of chapter 5 of the guide (docs/guide.md), the
; corrected SUMBUG.s. SUMBUG kept the sum at 4(P2), but LD @1(P2) moves P2
; on, so its ST 4(P2) wrote one cell further each time, the first time
; into COUNT, and the loop ended after one byte. Here the sum has a cell
; of its own, SUM, reached PC-relative, which does not move.
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX5_SUM.ASM with Files > Load ASM-file). With the RUN/PRGM lamp green
; (program mode), press RST. With the S.STEP lamp lit, press SST: the
; S.STEP lamp goes dark. Press Run / Prgm: the RUN/PRGM lamp turns red,
; the LEDs show 0x0A and the HALT lamp lights.
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
        ST SUM
LOOP:   CCL             ; ADD adds the carry too
        LD SUM          ; the sum so far, in a cell that stays put
        ADD @1(P2)      ; + the next byte, P2 to the one after it
        ST SUM
        DLD COUNT
        JNZ LOOP
        LD SUM
        ST 0(P1)        ; to the LEDs
        HALT
TABLE:  .byte 1, 2, 3, 4
SUM:    .byte 0                 ; the sum
COUNT:  .byte 0                 ; bytes left to add
