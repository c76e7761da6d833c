; ECHO: the data switches echoed to the LEDs.
;
; The program reads the port (the eight data switches) and writes the
; byte back to the port (the eight LEDs), over and over.
;
; Use: load this listing, press RST, switch single step off with SST and
; press Run / Prgm. Flip the data switches: LED i follows data switch i.
; To stop, press HLT.
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
