// vorru.exe: the demo as a Windows console program, with the DirectDraw display and the waveOut
// sound backends linked in.
#include "demo/demo_main.h"

int main(int, char**, char**) {
    return demo_run();
}
