#pragma once
#include "discretization/cuts/c.h"
