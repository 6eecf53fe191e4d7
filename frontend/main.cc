// Entry point: everything lives in the front-end library so tests can reach it.
#include "frontend/prowlet.h"

int main(int argc, char **argv) { return prowlet_main(argc, argv); }
