; SUBR: a count-down that calls a subroutine with XPPC.
;
; The data switches give the start value. The main program calls the
; subroutine SHOW once for every value from the start value down to 1,
; then writes 0 to the LEDs and halts. SHOW writes A to the LEDs, waits
; with DLY 0x3F and returns. (Start value 0 counts 256 values: 0, FF..1.)
;
; The call: P3 holds RET (0x01A), the XPPC P3 that returns, one byte
; before SHOW's first instruction. XPPC P3 in the main program swaps P0
; and P3, so SHOW runs with P3 holding the address of the call. SHOW ends
; by jumping to RET, whose XPPC P3 swaps them back: the main program goes
; on after its call, and P3 is RET again, ready for the next call.
;
; Use: load this listing, set the start value on the data switches, press
; RST, switch single step off with SST and press Run / Prgm.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI H(RET)
        XPAH P3
        LDI L(RET)
        XPAL P3         ; P3 = RET
        LD 0(P1)        ; the start value
        ST CNT
LOOP:   XPPC P3         ; call SHOW with A = the value
        DLD CNT         ; A = the next value
        JNZ LOOP
        ST 0(P1)        ; 0 on the LEDs
        HALT
CNT:    .byte 0                 ; the value
; SHOW: A to the LEDs, wait, return.
RET:    XPPC P3         ; back to the caller
SHOW:   ST 0(P1)        ; entry
        DLY 0x3F
        JMP RET
