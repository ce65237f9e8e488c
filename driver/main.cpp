#include "driver/entry.h"

int main(int argc, char** argv) { return VarnelMain(argc, argv); }
