#pragma once

#include <string>

class TStringSack;

// The handler that a configuration's first line names (compared exactly and
// case-sensitively), or null for a word that names no command.
using CommandHandler = void (*)(const TStringSack&);
CommandHandler FindCommand(const std::string& word);

// The process entry: checks the one argument, reads the configuration and runs one command.
// Every path ends the process itself; the return type only satisfies main.
[[noreturn]] int VarnelMain(int argc, char** argv);
