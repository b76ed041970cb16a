# VORRU_STORE_NAMES: the program's 31 store entries in blob order, the seven named files,
# then the animation frames in byte order of their names. Each maps to assets/<name with
# backslashes as />.
include_guard(GLOBAL)

set(VORRU_STORE_NAMES
    [[data\font2.pcx]]
    [[data\owl1.pcx]]
    [[data\owl2.pcx]]
    [[data\owl3.pcx]]
    [[data\tausta.pcx]]
    [[data\tex1.pcx]]
    [[data\vantoli.xm]])
foreach(frame 1 10 11 12 13 14 15 16 17 18 19 2 20 21 22 23 24 3 4 5 6 7 8 9)
    list(APPEND VORRU_STORE_NAMES "data\\kelmo\\${frame}.pcx")
endforeach()
