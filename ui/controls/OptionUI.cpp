#include "ui/controls/OptionUI.h"
