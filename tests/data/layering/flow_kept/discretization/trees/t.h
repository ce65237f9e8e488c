#pragma once
#include "discretization/templates/u.h"
