; The macro assembler's macro language: defaults and named arguments,
; options in braces, labels of a call's own, EXITM, blocks, ELSEIF,
; SWITCH/CASE, text comparisons, IFUSED, MESSAGE with a value.
        CPU     SC/MP
        MAXNEST 20
M       MACRO   A=5,B,{NOEXPAND}
        JMP     SKIP
SKIP    DB      A_B
        IF      UPSTRING("B")="X"
        EXITM
        ELSEIF  ARGCOUNT > 2
        DB      ALLARGS
        ELSEIF
        SHFT
        ENDIF
        ENDM
X_Y     EQU     3
        M       X,Y
        M       B=Y,A=X
        REPT    2
L       NOP
        JMP     L
        ENDM
        IRP     V, 1, 2, 3
        DB      V
        ENDM
        IRPC    C, "AB"
        DB      'C'
        ENDM
N       SET     1
        WHILE   N < 8
N       SET     N*2
        ENDM
        SWITCH  N
        CASE    1, 2
        DB      1
        ELSECASE
        DB      N
        ENDCASE
        IFUSED  X_Y
        MESSAGE "N is \{N}"
        ENDIF
LDI     MACRO   V
        !LDI    V+1
        ENDM
        LDI     1
