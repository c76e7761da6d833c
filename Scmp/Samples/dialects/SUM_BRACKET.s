; SUM_BRACKET.s: SUM_MACRO.s in the style of the later cross-assemblers:
; $ hex numbers, brackets round pointers, # for immediates, local labels.
        .org    $001
start:  ld      #table >> 8
        xpah    p1
        ld      #table & $FF
        xpal    p1
        ld      #0
        xae                     ; the sum is kept in E
1$:     ld      @1[p1]
        ccl
        ade
        xae
        dld     count
        jnz     1$
        lde
        st      result
        halt

table:  .db     %1, %10, $03, $04, $05
count:  .db     5
result: .db     0
        .end
