; ECHO: the data switches echoed to the LEDs.
;
; The program reads the port (the eight data switches) and writes the
; byte back to the port (the eight LEDs), over and over.
;
; Use: load this listing. In Settings, enter 0 under Execution Pause and
; press OK: with the default pause count (10000) the run pauses after a
; fraction of a second. Press RST. With the S.STEP lamp lit (as after
; start-up), press SST: the lamp goes dark. With the RUN/PRGM lamp green
; (program mode), press Run / Prgm: the lamp turns red and the program
; runs. Flip the data switches (their buttons, their yellow lamps or the
; keys 0..7): LED i follows data switch i. To stop, press HLT. To run it
; again, press Run / Prgm (the lamp turns green), RST and Run / Prgm.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
LOOP:   LD 0(P1)        ; A = the switches
        ST 0(P1)        ; LEDs = A
        JMP LOOP
