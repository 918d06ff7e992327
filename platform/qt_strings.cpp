#include "platform/qt_strings.h"
