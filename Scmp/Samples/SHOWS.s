; SHOWS: two light shows played from tables of LED patterns.
;
; Each show is a table of patterns ended by 0. Data switch 0 picks the
; show: off, a light that runs from LED 0 up to LED 7; on, two lights that
; meet in the middle and part again, ending with all eight LEDs lit.
; The program points P2 at the chosen table with H() and L() of its label,
; then shows one pattern after the other, reading each with LD @1(P2),
; which moves P2 on to the next. It halts at the 0 that ends the table.
; A new show needs only a new table and a label: no address is counted by
; hand.
;
; Use: load this listing and press RST. Press SST so that the single-step
; lamp is dark, and set data switch 0 (off or on). Then, with the Run lamp
; green (program mode) and the Halt lamp dark, press Run / Prgm. The LEDs
; play the show and the Halt lamp lights, the last pattern staying on the
; LEDs: LED 7 alone (0x80) after the first show, all eight (0xFF) after the
; second. To play again, press RST, then Run / Prgm twice: the first press
; turns the Run lamp green again, the second starts the show.
;
PORT    =  0xA00                ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1                 ; P1 = the port
        LD 0(P1)                ; the switches
        ANI 0x01                ; switch 0 picks the show
        JZ FIRST
        LDI H(SHOW2)
        XPAH P2
        LDI L(SHOW2)
        XPAL P2                 ; P2 = the second show
        JMP PLAY
FIRST:  LDI H(SHOW1)
        XPAH P2
        LDI L(SHOW1)
        XPAL P2                 ; P2 = the first show
PLAY:   LD @1(P2)               ; the next pattern; P2 moves on
        JZ DONE                 ; 0 ends the show
        ST 0(P1)                ; on the LEDs
        DLY 0x40                ; wait
        JMP PLAY
DONE:   HALT

; The shows, one pattern a byte, each ended by 0.
SHOW1:  .byte 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0
SHOW2:  .byte 0x81, 0x42, 0x24, 0x18, 0x24, 0x42, 0x81, 0xFF, 0
