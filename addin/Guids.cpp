// Defines (once, for the whole DLL) the identifiers the generated type
// library header declares.
#include <initguid.h>

#include "VocorderAddIn_h.h"
