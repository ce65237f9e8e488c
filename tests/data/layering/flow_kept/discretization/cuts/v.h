#pragma once
#include "rough/helper.h"
