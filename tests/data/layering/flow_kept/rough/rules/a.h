#pragma once
#include "rough/reducts/b.h"
