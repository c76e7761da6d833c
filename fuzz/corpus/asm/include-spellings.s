; The same file under several spellings: one cycle, not a tree of copies.
 INCLUDE "./f.s"
 INCLUDE ".//f.s"
 INCLUDE "a.s"
 INCLUDE "b.s"
 NOP
 END
