// prowlet front end: placeholder main until the front end lands.
#include "frontend/prowlet.h"

int prowlet_main(int, char **) { return 0; }
