#include "frmError.h"
