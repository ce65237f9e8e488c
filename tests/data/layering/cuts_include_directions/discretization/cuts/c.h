#pragma once
#include "discretization/directions/d.h"
