#include "ui/controls/LabelUI.h"
