#include "Synchronize.h"
