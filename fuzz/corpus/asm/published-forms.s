X       = 0x1234
START   = 0x10
ENDS    = 0x30
        .BYTE   'R'+X'80', 'a;b', 'c,d', X'1F, ''
        DB      'R'|0x80, "\13\10", '\\', "\x41\t", '\''
        DB
        CAI     L(ENDS)-L(START)
        LDI     -L(X)
        LDI     1+H(X)
        DW      0x1234
        BIGENDIAN ON
        DW      0x1234
        BIGENDIAN OFF
        .DBYTE  0x1234
        DBYTEORDER HIGH
        .DBYTE  0x1234
        DB      5 ! 3, 2 && 3, 0 || 1, 1 < 2 && 3 > 4
        MESSAGE "note"
        WARNING "warning"
rp
        LD      200(P1)
        DB      3 dup (1)
        INC     5
        expect  1350
        DB      "\015"
        ERROR   "stop"
        FATAL   "here"
        NOP
