// vokbuild: one build pass of the vok expansion below the game folder given
// as the only argument.
#include "driver/build_run.h"

int main(int argc, char** argv) { return runBuild(argc, argv); }
