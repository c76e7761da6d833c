; A deliberately wrong answer for the grader tests: the LEDs copy the switches instead of turning them over.
; EX1_INVERT: the LEDs show the data switches turned over.
;
; Answer to the exercise of chapter 1 of the guide (docs/guide.md): with
; data switches 0..3 on and 4..7 off, LEDs 4..7 light (0xF0), because
; each LED lights while its switch is off.
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX1_INVERT.ASM with Files > Load ASM-file). In Settings, set the
; Execution Pause to 0, so that the run does not pause. With the
; RUN/PRGM lamp green (program mode), press RST. With the S.STEP lamp
; lit, press SST: the S.STEP lamp goes dark. Press Run / Prgm: the
; RUN/PRGM lamp turns red and the program runs. Flip the data switches
; (a click on a switch or its key, or the keys 0..7): each LED is lit
; while its switch is off. Press HLT to stop.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
LOOP:   LD 0(P1)        ; A = the switches
        ST 0(P1)        ; to the LEDs
        JMP LOOP
