; A deliberately wrong answer for the grader tests: the displacement of LD VALUE is one short.
; EX8_HANDCODE: a program written as bytes, with its PC-relative
; displacements worked out by hand.
;
; Answer to the exercise of chapter 8 of the guide (docs/guide.md). The
; SC/MP adds 1 to P0 before it fetches each byte, so while an instruction
; runs, P0 holds the address of its last byte, here the displacement byte:
;   LD VALUE at 007: P0 = 008, VALUE is at 00D, so the displacement is
;     00D - 008 = 5 (C0 05).
;   JMP OVER at 00B: P0 = 00C, and after the jump the fetch adds 1 again,
;     so to go on at OVER (00E) the displacement is 00E - 00C - 1 = 1
;     (90 01).
; Written as "LD VALUE" and "JMP OVER" the assembler works out the same
; bytes. The LEDs show VALUE, 0x3C (LEDs 5, 4, 3 and 2).
;
; Use: load this source with Files > Assemble Source... (or its listing
; EX8_HANDCODE.ASM with Files > Load ASM-file). With the RUN/PRGM lamp
; green (program mode), press RST. With the S.STEP lamp lit, press SST:
; the S.STEP lamp goes dark. Press Run / Prgm: the RUN/PRGM lamp turns
; red, the LEDs show 0x3C and the HALT lamp lights.
;
        .org 0x001
        .byte 0xC4, 0x0A        ; 001  LDI 0x0A
        .byte 0x35              ; 003  XPAH P1
        .byte 0xC4, 0x00        ; 004  LDI 0x00
        .byte 0x31              ; 006  XPAL P1     P1 = 0x0A00, the port
        .byte 0xC0, 0x04        ; 007  LD VALUE    00D - 008 = 5
        .byte 0xC9, 0x00        ; 009  ST 0(P1)
        .byte 0x90, 0x01        ; 00B  JMP OVER    00E - 00C - 1 = 1
VALUE:  .byte 0x3C              ; 00D  the byte to show
OVER:   .byte 0x00              ; 00E  HALT
