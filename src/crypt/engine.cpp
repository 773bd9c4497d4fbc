#include "crypt/engine.h"
