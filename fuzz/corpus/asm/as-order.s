        CPU     SC/MP
A       EQU     0CFH
        ORG     0
        IF      A == 80H|79
        DB      'N'|80H, 'W'!80H, 'T'+80H
        ELSE
        DB      0
        ENDIF
        DB      A == 80H|79, 7 & 3 == 3, 1 || 0 && 0
        BIGENDIAN ON
        DW      A, $
        END
