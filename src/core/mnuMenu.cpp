#include "mnuMenu.h"
