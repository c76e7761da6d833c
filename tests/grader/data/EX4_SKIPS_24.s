; A deliberately wrong answer for the grader tests: the table lacks the pattern 24.
; EX4_TABLE: shows the patterns of a table one after another, then halts.
;
; Answer to the exercise of chapter 4 of the guide (docs/guide.md). P2 is
; loaded with the table's address through H() and L(); LD @1(P2) reads a
; pattern and moves P2 on to the next one. A 0 byte ends the table, so
; patterns can be added or taken away without counting them.
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX4_TABLE.ASM with Files > Load ASM-file). With the RUN/PRGM lamp
; green (program mode), press RST. With the S.STEP lamp lit, press SST:
; the S.STEP lamp goes dark. Press Run / Prgm: the RUN/PRGM lamp turns
; red, the LEDs show 0x81, 0x42, 0x24 and 0x18, the pattern closing in
; from both ends, and the HALT lamp lights with 0x18 on the LEDs.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI H(PATTERNS)
        XPAH P2
        LDI L(PATTERNS)
        XPAL P2         ; P2 = the first pattern
NEXT:   LD @1(P2)       ; A = the pattern, P2 to the next one
        JZ DONE         ; 0 ends the table
        ST 0(P1)        ; show it
        DLY 0xFF        ; wait
        DLY 0xFF
        JMP NEXT
DONE:   HALT
PATTERNS:
        .byte 0x81, 0x42, 0x18
        .byte 0                 ; the end of the table
