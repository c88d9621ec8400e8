#include "ui/controls/TextUI.h"
