#include "ui/controls/ProgressUI.h"
