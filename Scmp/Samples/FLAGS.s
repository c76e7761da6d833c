; FLAGS: the flag LEDs driven by CAS.
;
; The program reads the data switches, keeps switches 0..2 (ANI 0x07)
; and copies them into the status register with CAS: flag LED i (F i)
; lights when data switch i is on. CSA reads the status register back and
; the LEDs show it. The other status bits (carry, overflow, interrupt
; enable) stay 0.
;
; Use: load this listing, press RST, switch single step off with SST and
; press Run / Prgm. Flip data switches 0, 1 and 2. Press HLT to stop.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
LOOP:   LD 0(P1)        ; A = the switches
        ANI 0x07        ; switches 0..2 only
        CAS             ; SR = A: flag LEDs F0..F2
        CSA             ; A = SR
        ST 0(P1)        ; the status register on the LEDs
        JMP LOOP
