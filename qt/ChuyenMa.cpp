#include "ChuyenMa.h"
