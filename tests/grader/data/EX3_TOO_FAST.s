; A deliberately wrong answer for the grader tests: two waits instead of four, so it counts twice as fast.
; EX3_TEN: counts from 1 to 10 on the LEDs, about two counts a second at
; Real time, then halts.
;
; Answer to the exercise of chapter 3 of the guide (docs/guide.md). Each
; DLY 0xFF lasts 13 + 2A + 2 x 255 + 512 x 255 microcycles, about 0.13 s
; at Real time (one microcycle is 1 us), so four of them make about half a
; second. The count starts at 0 each time the program is started.
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX3_TEN.ASM with Files > Load ASM-file), choose Speed > Real time.
; With the RUN/PRGM lamp green (program mode), press RST. With the
; S.STEP lamp lit, press SST: the S.STEP lamp goes dark. Press
; Run / Prgm: the RUN/PRGM lamp turns red, the LEDs count 1 to 10 (0x0A)
; in about five seconds and the HALT lamp lights.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI 0
        ST COUNT        ; start from 0
LOOP:   ILD COUNT       ; A = COUNT + 1, stored back
        ST 0(P1)        ; show it
        DLY 0xFF        ; four waits of about 0.13 s
        LD COUNT
        XRI 10          ; 0 when the count is 10
        JNZ LOOP
        HALT
COUNT:  .byte 0                 ; the count
