; SUM_NS.s: SUM_MACRO.s as National's own assembler wrote it: colons,
; ".=" for the origin, X'..' numbers, H() and L(), dotted directives.
        .TITLE  SUM
ENTRIES = 5

        .= X'001'
START:  LDI     H(TABLE)
        XPAH    P1
        LDI     L(TABLE)
        XPAL    P1
        LDI     0
        XAE                     ; the sum is kept in E
LOOP:   LD      @1(P1)
        CCL
        ADE
        XAE
        DLD     COUNT
        JNZ     LOOP
        LDE
        ST      RESULT
        HALT

TABLE:  .BYTE   X'01, X'02, X'03, X'04, X'05
COUNT:  .BYTE   ENTRIES
RESULT: .BYTE   0
        .END
