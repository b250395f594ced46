#include "shadertesthilfe.h"
