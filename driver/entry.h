#pragma once

// The process entry: checks the one argument, reads the configuration and runs one command.
// Every path ends the process itself; the return type only satisfies main.
[[noreturn]] int VarnelMain(int argc, char** argv);
