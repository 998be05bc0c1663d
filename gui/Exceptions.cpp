#include "gui/Exceptions.h"

void Abort() {
    throw EAbort();
}
