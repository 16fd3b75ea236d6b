#include "ui/host.h"
