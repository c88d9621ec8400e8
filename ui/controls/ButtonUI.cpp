#include "ui/controls/ButtonUI.h"
