; A deliberately wrong answer for the grader tests: no CCL, so a carry left over gets into the sum.
; EX7_DOUBLE: the LEDs show twice the byte on the data switches.
;
; Answer to the exercise of chapter 7 of the guide (docs/guide.md): the
; task set to a class, "show twice the switches' value on the LEDs (the
; lowest eight bits) and halt". A teacher checks it with scmp-run, for
; example switches 0x21 must give LEDS=42 and switches 0x90 LEDS=20:
;     scmp-run --src EX7_DOUBLE.s --switches 21
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX7_DOUBLE.ASM with Files > Load ASM-file), set a byte on the data
; switches. With the RUN/PRGM lamp green (program mode), press RST. With
; the S.STEP lamp lit, press SST: the S.STEP lamp goes dark. Press
; Run / Prgm: the RUN/PRGM lamp turns red, the LEDs show twice the
; switches and the HALT lamp lights.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LD 0(P1)        ; A = the switches
        ST VALUE
        ADD VALUE       ; A + A
        ST 0(P1)        ; to the LEDs
        HALT
VALUE:  .byte 0                 ; the switches' byte
