#pragma once
#include "rough/reasoning/c.h"
