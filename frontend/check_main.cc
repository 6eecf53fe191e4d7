// Entry point of check_printers: everything lives in the front-end library.
#include "frontend/check.h"

int main(int argc, char **argv) { return check_main(argc, argv); }
