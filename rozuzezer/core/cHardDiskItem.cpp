#include "rozuzezer/core/cHardDiskItem.h"
