#pragma once
#include "rough/decision/d.h"
