; RUNLIGHT: a running light.
;
; A pattern taken from the data switches when the program starts (a
; single LED, 0x80, when no switch is on) is shown on the LEDs and rotated
; right by one with RR after each wait (DLY 0x7F), so it runs from LED 7
; down to LED 0 and round again. The pattern is kept in PAT (0x01A).
;
; Use: load this listing, set a pattern on the data switches (or none),
; press RST, switch single step off with SST and press Run / Prgm. Press
; HLT to stop. Press RST and Run / Prgm twice to take a new pattern.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LD 0(P1)        ; A = the switches
        JNZ SAVE        ; a pattern was set
        LDI 0x80        ; none: one LED
SAVE:   ST PAT
LOOP:   ST 0(P1)        ; show the pattern
        DLY 0x7F        ; wait
        LD PAT
        RR              ; rotate right by one
        ST PAT
        JMP LOOP
PAT:    .byte 0                 ; the pattern
