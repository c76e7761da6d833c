; SUMSPACE: adds 1 + 2 + 3 + 4 + 5 into SUM and shows the sum, 0x0F, on
; the LEDs. It has a fault that only shows the second time: SUM is
; reserved with .space, which loads nothing, and the program never sets it
; to 0 before adding into it.
;
; Right after start-up memory holds 0, so the first run shows 0x0F. Press
; RST and Run / Prgm again: SUM still holds the last run's 0x0F, and the
; LEDs show 0x1E. With View > Checks on (chapter 7 of the guide), the first
; run already warns: "uninitialised: read 01C, never loaded nor written
; since RST", at the ADD of line 29. The cure: LDI 0 and ST SUM before the
; loop.
;
; Use: assemble this source with Ctrl+R in the editor (or load SUMSPACE.ASM
; with Files > Load ASM-file). Press RST, SST (the S.STEP lamp goes dark)
; and Run / Prgm: the LEDs show 0x0F and the HALT lamp lights. Press Run /
; Prgm (back to program mode), RST and Run / Prgm again: 0x1E.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI 5
        ST N            ; the next number to add, counted down to 1
LOOP:   CCL             ; ADD adds the carry too
        LD N
        ADD SUM         ; SUM + N: SUM was never set
        ST SUM
        DLD N
        JNZ LOOP
        LD SUM
        ST 0(P1)        ; the sum on the LEDs
        HALT
N:      .byte 0         ; loaded: the program sets it before use
SUM:    .space 1        ; reserved, not loaded: holds what memory held
