        CPU     SC/MP
BUF     DB      16 DUP (?)
TABLE   DB      3 DUP (1, 2 DUP ("ab", 0)), 4 DUP 10, 20
        DW      2 DUP (TABLE, ?)
        DW      2 DUP (?)
DUP     EQU     3
        DB      DUP, 'DUP', 0 DUP (9)
