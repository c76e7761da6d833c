; A deliberately wrong answer for the grader tests: XRI 0xFF left out, so the LEDs show 5A.
; EX2_COMPLEMENT: 0x5A turned over, 0xA5, on the LEDs.
;
; Answer to the exercise of chapter 2 of the guide (docs/guide.md): one
; of A over. By hand: enter E4 at 009 and FF at 00A, then C9 00 at 00B and
; 00C, and 00 (HALT) at 00D. The LEDs then show 0xA5: LEDs 7, 5, 2 and 0.
;
;   addr  bytes   instruction
;   001   C4 0A   LDI 0x0A
;   003   35      XPAH P1
;   004   C4 00   LDI 0x00
;   006   31      XPAL P1
;   007   C4 5A   LDI 0x5A
;   00B   C9 00   ST 0(P1)
;   00D   00      HALT
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX2_COMPLEMENT.ASM with Files > Load ASM-file), or enter the bytes by
; hand. With the RUN/PRGM lamp green (program mode), press RST. With the
; S.STEP lamp lit, press SST: the S.STEP lamp goes dark. Press
; Run / Prgm: the RUN/PRGM lamp turns red, the LEDs show 0xA5 and the
; HALT lamp lights.
;
PORT    =  0xA00            ; the port: data switches in, LEDs out

        .org 0x001
        LDI H(PORT)
        XPAH P1
        LDI L(PORT)
        XPAL P1         ; P1 = 0x0A00, the port
        LDI 0x5A
        ST 0(P1)        ; to the LEDs
        HALT
