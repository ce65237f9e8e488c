#pragma once
#include "core/e.h"
