; BIGMAP: a program for the memory map of BIGMAP.RAM.
;
; BIGMAP.RAM holds this program together with a larger memory map: RAM at
; 0x000..0x9FF and 0xB00..0xEFF, the port at 0xA00..0xAFF and a second
; port at 0xF00..0xFFF. Both ports read the same data switches and drive
; the same LEDs. The program copies the switches through the extra RAM at
; 0xC00 and writes them to the LEDs through the second port at 0xF00,
; over and over.
;
; Use: load the memory image BIGMAP.RAM (not this listing), press RST,
; switch single step off with SST and press Run / Prgm, then flip the
; data switches: the LEDs follow. Loaded as a listing with the board's own
; map, the LEDs stay dark and 0xC00 reads 0xFE (no memory there).
;
XRAM    =  0xC00            ; extra RAM of BIGMAP.RAM's map
PORT2   =  0xF00            ; the second port
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the first port
        LDI H(XRAM)
        XPAH P2
        LDI L(XRAM)
        XPAL P2         ; P2 = 0x0C00, extra RAM
        LDI H(PORT2)
        XPAH P3
        LDI L(PORT2)
        XPAL P3         ; P3 = 0x0F00, the second port
LOOP:   LD 0(P1)        ; A = the switches
        ST 0(P2)        ; into the extra RAM
        LDI 0x00
        LD 0(P2)        ; and back
        ST 0(P3)        ; LEDs, through the second port
        JMP LOOP
