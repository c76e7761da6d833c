; BCDADD: adds two six-digit decimal (BCD) numbers.
;
; The numbers stand at 0x080..0x082 and 0x083..0x085, two digits a byte,
; lowest byte first: as loaded, 456789 (89 67 45) and 654321 (21 43 65).
; CCL clears the carry, then DAD adds the numbers byte by byte, each DAD
; taking the carry of the one before. The sum goes to 0x086..0x089, lowest
; byte first, 0x089 holding the last carry (00 or 01): 01 11 11 10 here,
; 1111110. The program then shows the sum's byte at 0x088 (here 0x11) on
; the LEDs and halts.
;
; Use: load this listing, press RST, switch single step off with SST and
; press Run / Prgm. To add other numbers, enter their bytes at
; 0x080..0x085 in program mode (address switches, data switches, Latch)
; first. Examine 0x086..0x089 afterwards to read the whole sum.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(N1)
        XPAH P2
        LDI L(N1)
        XPAL P2         ; P2 = 0x080, the first number
        LDI 3
        ST CNT          ; three bytes to add
        CCL             ; no carry into the lowest digits
LOOP:   LD 0(P2)        ; byte of the first number
        DAD N2-N1(P2)   ; + byte of the second + carry
        ST SUM-N1(P2)   ; byte of the sum
        LD @1(P2)       ; P2 to the next byte (carry kept)
        DLD CNT         ; count down (carry kept)
        JNZ LOOP
        LDI 0x00
        DAI 0x00        ; A = the last carry
        ST 6(P2)        ; to 0x089
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LD 5(P2)        ; the sum's byte at 0x088
        ST 0(P1)        ; on the LEDs
        HALT
CNT:    .byte 0                 ; bytes left to add
        .org 0x080
; The numbers, lowest byte first, and room for the sum.
N1:     .byte 0x89, 0x67, 0x45  ; first number: 456789
N2:     .byte 0x21, 0x43, 0x65  ; second number: 654321
SUM:    .space 4                ; the sum
