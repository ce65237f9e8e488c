#pragma once
#include "rough/rules/a.h"
