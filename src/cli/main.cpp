#include "cli/batch.h"

int main(int argc, char** argv) { return kalmero::runBatch(argc, argv); }
