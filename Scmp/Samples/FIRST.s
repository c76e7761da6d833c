; FIRST: the first program of the guide: 0x5A on the LEDs, then HALT.
;
; Seven instructions, eleven bytes from address 0x001. Chapter 2 of the
; guide (docs/guide.md) enters them by hand with the switches and Latch:
;
;   addr  bytes   instruction
;   001   C4 0A   LDI 0x0A
;   003   35      XPAH P1
;   004   C4 00   LDI 0x00
;   006   31      XPAL P1      P1 = 0x0A00, the port
;   007   C4 5A   LDI 0x5A
;   009   C9 00   ST 0(P1)     0x5A to the LEDs: LEDs 6, 4, 3 and 1 light
;   00B   00      HALT
;
; Use: load this source with Files > Assemble Source... (or its listing
; FIRST.ASM with Files > Load ASM-file). With the RUN/PRGM lamp green
; (program mode), press RST. With the S.STEP lamp lit, press SST: the
; S.STEP lamp goes dark. Press Run / Prgm: the RUN/PRGM lamp turns red,
; the LEDs show 0x5A and the HALT lamp lights.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI 0x5A        ; the pattern
        ST 0(P1)        ; to the LEDs
        HALT
