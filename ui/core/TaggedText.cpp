#include "ui/core/TaggedText.h"
