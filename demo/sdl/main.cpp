// vorru on Linux: the demo with the SDL2 display and sound backends linked in.
#include "demo/demo_main.h"

int main(int, char**, char**) { return demo_run(); }
