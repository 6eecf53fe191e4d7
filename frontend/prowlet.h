// prowlet front end: command line, targets, workers and exit status.
#pragma once

int prowlet_main(int argc, char **argv);
