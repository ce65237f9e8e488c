#pragma once
#include "discretization/cuts/v.h"
