; WORDS_AS.s: counts the words of a keyword table whose last letters carry
; bit 7, as NIBL's tables do, and shows the count (3) on the LEDs.
; Written in the macro assembler's forms: a character joined by an operator
; ('N'|LAST), ! for exclusive or, decimal escapes ("\13\10"), comparisons
; that bind looser than |, BIGENDIAN, MESSAGE.
        CPU     SC/MP
        MESSAGE "WORDS_AS: a keyword table in the macro assembler's forms"
P1      EQU     1
P2      EQU     2
PORT    EQU     0A00H
LAST    EQU     80H             ; bit 7 marks a word's last letter
WORDS   EQU     3

        ORG     1
START   LDI     HIGH(TABLE)
        XPAH    P1
        LDI     LOW(TABLE)
        XPAL    P1
        LDI     0
        XAE                     ; E counts the words
NEXT    LD      @1(P1)
        JZ      DONE            ; the 0 after the table ends it
        ANI     LAST
        JZ      NEXT            ; not a last letter
        LDE
        CCL
        ADI     1
        XAE
        JMP     NEXT
DONE    LDI     HIGH(PORT)
        XPAH    P2
        LDI     LOW(PORT)
        XPAL    P2
        LDE
        ST      0(P2)           ; the count on the LEDs
        HALT

TABLE   DB      'RU', 'N'|LAST  ; RUN: one byte, 'N' with bit 7
        DB      'LIS', 'T'+LAST ; LIST
        DB      'NE', 'W'!LAST  ; NEW: ! is exclusive or
        DB      0
        IF      WORDS|4 != 7    ; (3|4) != 7 is false here; C's order would
        DB      0FFH            ; read 3 | (4 != 7), which is true
        ENDIF
CRLF    DB      "\13\10"        ; carriage return, line feed
        BIGENDIAN ON
        DW      TABLE           ; the table's address, high byte first
        END     START
