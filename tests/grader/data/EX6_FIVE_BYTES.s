; A deliberately wrong answer for the grader tests: copies five bytes instead of four.
; EX6_COPY: copies the four bytes at TABLE to 0x100..0x103.
;
; Answer to the exercise of chapter 6 of the guide (docs/guide.md). After
; the run, 0x100..0x103 hold 12 34 56 78 and the LEDs show the last byte
; copied, 0x78. Check the copy by examining 0x100 with the address
; switches, in the Monitor's memory view, in a memory image saved with
; Files > Save Memory-Image As, or with
;     scmp-run --src EX6_COPY.s --dump 100-103
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX6_COPY.ASM with Files > Load ASM-file). With the RUN/PRGM lamp green
; (program mode), press RST. With the S.STEP lamp lit, press SST: the
; S.STEP lamp goes dark. Press Run / Prgm: the RUN/PRGM lamp turns red,
; the LEDs show 0x78 and the HALT lamp lights.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out
DEST    =  0x100            ; where the copy goes

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI H(TABLE)
        XPAH P2
        LDI L(TABLE)
        XPAL P2         ; P2 = the table
        LDI H(DEST)
        XPAH P3
        LDI L(DEST)
        XPAL P3         ; P3 = the copy
        LDI 5
        ST COUNT        ; four bytes
LOOP:   LD @1(P2)       ; a byte of the table, P2 on
        ST @1(P3)       ; into the copy, P3 on
        DLD COUNT
        JNZ LOOP
        LD -1(P3)       ; the last byte copied
        ST 0(P1)        ; to the LEDs
        HALT
TABLE:  .byte 0x12, 0x34, 0x56, 0x78
COUNT:  .byte 0                 ; bytes left to copy
