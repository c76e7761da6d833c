; WORDS_AS.s: counts the words of a keyword table whose last letters carry
; bit 7, as NIBL's tables do, keeps the count in a reserved cell and shows
; it on the LEDs: 3, or 4 when assembled with  scmp-asm -D WITH_LIST .
; Written in the macro assembler's forms: a macro with any number of
; arguments (SHIFT, ALLARGS), IFDEF with a name from -D, characters joined
; by an operator ('N'|LAST), ! for exclusive or, decimal escapes
; ("\13\10"), a reserved cell (DB ?), BIGENDIAN, MESSAGE.
        CPU     SC/MP
        MESSAGE "WORDS_AS: a keyword table in the macro assembler's forms"
P1      EQU     1
P2      EQU     2
PORT    EQU     0A00H
LAST    EQU     80H             ; bit 7 marks a word's last letter

; BYTES stores each of its arguments as a byte, however many there are:
; it stores the first, drops it with SHIFT and calls itself with the rest.
BYTES   MACRO   B
        IFNB    B
        DB      B
        SHIFT
        BYTES   ALLARGS
        ENDIF
        ENDM

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
DONE    LDE
        ST      COUNT           ; the count in its reserved cell
        LDI     HIGH(PORT)
        XPAH    P2
        LDI     LOW(PORT)
        XPAL    P2
        LD      COUNT
        ST      0(P2)           ; the count on the LEDs
        HALT

TABLE   BYTES   'R', 'U', 'N'|LAST      ; RUN: 'N' with bit 7
        BYTES   'N', 'E', 'W'!LAST      ; NEW: ! is exclusive or
        IFDEF   WITH_LIST               ; scmp-asm -D WITH_LIST adds LIST
        BYTES   'L', 'I', 'S', 'T'+LAST
        ENDIF
        BYTES   'E', 'N', 'D'|LAST
        DB      0
        IF      3|4 != 7        ; (3|4) != 7 is false here; C's order would
        DB      0FFH            ; read 3 | (4 != 7), which is true
        ENDIF
CRLF    DB      "\13\10"        ; carriage return, line feed
        BIGENDIAN ON
        DW      TABLE           ; the table's address, high byte first
COUNT   DB      ?               ; reserved: not loaded, so not 0 by chance
        END     START
