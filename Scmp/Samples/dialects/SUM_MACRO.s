; SUM_MACRO.s: adds the bytes of a table; the sum ends in RESULT and on the
; accumulator. Written as the macro assemblers of the time wrote SC/MP code:
; labels without colons, EQU, H suffixes, a macro with a condition, a
; function, an included file of definitions.
        CPU     SC/MP
        TITLE   'Sum of a table'
        INCLUDE "SUM_DEFS.inc"

LO      FUNCTION X, (X) & 0FFH

; Points pointer PTR at ADDRESS; with a third argument, clears the
; accumulator afterwards.
LOADP   MACRO   PTR, ADDRESS, CLEAR
        LDI     HIGH(ADDRESS)
        XPAH    PTR
        LDI     LO(ADDRESS)
        XPAL    PTR
        IFNB    CLEAR
        LDI     0
        ENDIF
        ENDM

        ORG     1
START   LOADP   P1, TABLE, YES
        XAE                     ; the sum is kept in E
LOOP    LD      @1(P1)
        CCL
        ADE
        XAE
        DLD     COUNT
        JNZ     LOOP
        LDE
        ST      RESULT
        HALT

TABLE   DB      1, 2, 3, 4, 5
COUNT   DB      ENTRIES
RESULT  DB      0
        END     START
