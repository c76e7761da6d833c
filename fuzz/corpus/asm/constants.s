        CPU     SC/MP
        RELAXED ON
        DB      "\015\012\0\0101\x4a\H\I\n\R\t\A\b\E\1234\255", '\015'
        DB      010, 017, 0x10, 010H, 010B, 17O, 17Q, @17, O'17', %101, 101B, B'101', $1F, H'1F', x'1f
        DB      "A"+1, 'AB'>>8, A'AB'-0x4100, 'ABCD'>>24, '\'', '\\', '\'
        DW      'AB', "AB", 'ABC', "", "A\r\n"
        BIGENDIAN ON
        DW      'AB'+1, "CD"
        .DBYTE  "\r\n", '\r\n'
        LDI     "A"
        IF      0100 == 64
        DB      08, "\08", "\0400", 'ABCDE'+1, '', "\q
        ENDIF
        RELAXED OFF
