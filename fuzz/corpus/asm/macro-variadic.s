; A variadic macro walking its arguments, a call with more arguments than
; parameters, a directive's name as an argument, labels on conditions.
DO      MACRO   OP
        IF      "OP"<>""
        DB      OP
        SHIFT
        DO      ALLARGS
        ENDIF
        ENDM
CNT     MACRO   A,B
        DB      ARGCOUNT, A, B
        ENDM
        DO      1, 2, 3, <4>
DO      EQU, 5
        CNT     7, 8, 9
PTNUM   IFDEF   EMULA
        NOP
HERE    ELSE
        HALT
THERE   ENDIF
        LDI     L(PTNUM)
