; FUNCTIONs that call each other many times: stopped by the work limit.
F1 FUNCTION X, X+1
F2 FUNCTION X, F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)+F1(X)
F3 FUNCTION X, F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)+F2(X)
F4 FUNCTION X, F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)+F3(X)
F5 FUNCTION X, F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)+F4(X)
F6 FUNCTION X, F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)+F5(X)
 LDI F6(1)&0xFF
 HALT
